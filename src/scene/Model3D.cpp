#include <GL/glew.h>

#include "scene/Model3D.h"

#include "animation/CameraAnimation.h"
#include "base/Finite.h"
#include "gpu/PixelShader.h"
#include "gpu/ShadowPassNames.h"
#include "gpu/Texture.h"
#include "gpu/TextureManager.h"
#include "lighting/BaseLight.h"
#include "scene/ProcessObjects.h"

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/mat3x3.hpp>
#include <glm/matrix.hpp>

#include <cstdint>

AnimationClock Model3D::clock;

namespace {

// The transposed inverse is the cofactor matrix over the determinant. A node
// flattened onto a plane or a point has no inverse, but the cofactor matrix
// alone still turns its normals the right way and stays finite.
glm::mat3 normalMatrixOf(const glm::mat3& modelView)
{
    const glm::mat3 normalMatrix = glm::transpose(glm::inverse(modelView));
    if (isFinite(normalMatrix)) {
        return normalMatrix;
    }
    return glm::mat3(glm::cross(modelView[1], modelView[2]), glm::cross(modelView[2], modelView[0]),
                     glm::cross(modelView[0], modelView[1]));
}

} // namespace

Model3D::Model3D(PixelShader* program, float specularCoeff, float specularPower, const glm::vec3& translation,
                 const glm::vec3& rotationAxis, float rotationAngle, const glm::vec3& scale)
    : program(program), specularCoeff(specularCoeff), specularPower(specularPower)
{
    modelTransform = glm::translate(glm::mat4(1.0f), translation);
    // A rotation about a zero axis would fill the matrix with NaN.
    if (glm::dot(rotationAxis, rotationAxis) > 0.0f) {
        modelTransform = glm::rotate(modelTransform, glm::radians(rotationAngle), rotationAxis);
    }
    modelTransform = glm::scale(modelTransform, scale);
}

Model3D::~Model3D()
{
    rootNode.reset();
    animations.clear();
    meshes.clear();
    materials.clear();
}

void Model3D::draw(PixelShader* shader)
{
    // A program the shader manager did not know leaves nothing to draw with.
    if (shader == nullptr || rootNode == nullptr) {
        return;
    }
    const TextureManager& textures = *processObjects().textures;
    shader->bind();
    if (const Texture* shadowMap = textures.getTexture(ShadowPassNames::cubemap)) {
        shadowMap->bind();
    }
    if (shader->light != nullptr) {
        shader->light->setUniforms();
    }
    shader->setUniform1f("specularPower", specularPower);
    shader->setUniform1f("specularCoeff", specularCoeff);

    glBindVertexArray(mainVertexArray);
    drawNode(modelTransform, *rootNode);
    glBindVertexArray(0);

    if (const Texture* shadowMap = textures.getTexture(ShadowPassNames::cubemap)) {
        shadowMap->unbind();
    }
    shader->unbind();
}

void Model3D::drawDepth()
{
    if (rootNode == nullptr) {
        return;
    }
    glBindVertexArray(depthVertexArray);
    drawNode(modelTransform, *rootNode);
    glBindVertexArray(0);
}

void Model3D::drawNode(glm::mat4 parentMatrix, const ModelNode& node) const
{
    const glm::mat4 modelMatrix = parentMatrix * node.localTransform;
    if (setMatrices(modelMatrix)) {
        drawMeshes(node);
    }
    for (const auto& child : node.children) {
        drawNode(modelMatrix, *child);
    }
}

void Model3D::drawMeshes(const ModelNode& node) const
{
    for (const std::uint32_t meshIndex : node.meshIndices) {
        if (meshIndex >= meshes.size()) {
            continue;
        }
        const MeshEntry& entry = meshes[meshIndex];
        // An index with no material behind it draws with the default images
        // rather than with whatever the previous mesh left on the units.
        const Material& material =
            entry.materialIndex < materials.size() ? materials[entry.materialIndex] : defaultMaterial;
        material.bind();
        const auto firstIndexOffset = static_cast<std::uintptr_t>(entry.baseIndex) * sizeof(std::uint32_t);
        glDrawElementsBaseVertex(GL_TRIANGLES, static_cast<GLsizei>(entry.indexCount), GL_UNSIGNED_INT,
                                 reinterpret_cast<const void*>(firstIndexOffset),
                                 static_cast<GLint>(entry.baseVertex));
        material.unbind();
    }
}

bool Model3D::setMatrices(glm::mat4 modelMatrix)
{
    // Without a camera the scene is seen through identity matrices.
    const Camera* camera = processObjects().camera();
    const glm::mat4 view = camera != nullptr ? camera->viewMatrix : glm::mat4(1.0f);
    const glm::mat4 projection = camera != nullptr ? camera->projectionMatrix : glm::mat4(1.0f);

    const glm::mat4 modelView = view * modelMatrix;
    const glm::mat4 modelViewProjection = projection * modelView;
    const glm::mat3 normalMatrix = normalMatrixOf(glm::mat3(modelView));
    if (!isFinite(modelViewProjection) || !isFinite(modelView) || !isFinite(modelMatrix) || !isFinite(view) ||
        !isFinite(normalMatrix)) {
        return false;
    }

    PixelShader* active = PixelShader::getActive();
    if (active == nullptr) {
        return true;
    }

    active->setUniformMatrix4fv("mvpMatrix", glm::value_ptr(modelViewProjection));
    active->setUniformMatrix4fv("mvMatrix", glm::value_ptr(modelView));
    active->setUniformMatrix4fv("modelMatrix", glm::value_ptr(modelMatrix));
    active->setUniformMatrix4fv("viewMatrix", glm::value_ptr(view));
    active->setUniformMatrix3fv("normalMatrix", glm::value_ptr(normalMatrix));
    return true;
}

void Model3D::update()
{
    if (!animations.empty()) {
        animate(0);
    }
}

void Model3D::animate(std::size_t animationIndex)
{
    const std::optional<double> time = clock.ticks(animationIndex, animations);
    if (time.has_value() && rootNode != nullptr) {
        applyAnimation(*time, animationIndex, *rootNode);
    }
}

void Model3D::applyAnimation(double time, std::size_t animationIndex, ModelNode& node)
{
    if (animationIndex >= animations.size()) {
        return;
    }
    // -1, read unsigned, is past every channel list.
    const auto channelIndex = static_cast<unsigned int>(node.channelIndex);
    // Near a NaN or infinite key the node keeps its last finite pose.
    if (const NodeAnimation* channel = animations[animationIndex]->getChannel(channelIndex)) {
        const glm::mat4 pose = channel->sample(time);
        if (isFinite(pose)) {
            node.localTransform = pose;
        }
    }
    for (const auto& child : node.children) {
        applyAnimation(time, animationIndex, *child);
    }
}
