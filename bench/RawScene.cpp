#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "RawScene.h"

#include "SceneHandles.h"

#include "animation/CameraAnimation.h"
#include "gpu/PixelShader.h"
#include "gpu/Texture.h"
#include "lighting/PointLight.h"
#include "render/Renderer.h"
#include "scene/Model3D.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/mat3x3.hpp>
#include <glm/matrix.hpp>

namespace {

unsigned int textureId(const Texture* texture)
{
    return texture != nullptr ? texture->id : 0;
}

void setIfUsed(unsigned int program, int location, const glm::vec3& value)
{
    if (location >= 0) {
        glProgramUniform3fv(program, location, 1, glm::value_ptr(value));
    }
}

void setIfUsed(unsigned int program, int location, float value)
{
    if (location >= 0) {
        glProgramUniform1f(program, location, value);
    }
}

void setIfUsed(unsigned int program, int location, int value)
{
    if (location >= 0) {
        glProgramUniform1i(program, location, value);
    }
}

void uploadIfUsed(int location, const glm::mat4& value)
{
    if (location >= 0) {
        glUniformMatrix4fv(location, 1, GL_FALSE, glm::value_ptr(value));
    }
}

} // namespace

RawScene::RawScene(const SceneHandles& handles, const ProgramSwap& swap)
    : cameraPath(&handles.camera->animations), lightPath(&handles.pointLight->animations),
      projection(handles.camera->projectionMatrix), windowWidth(handles.windowWidth),
      windowHeight(handles.windowHeight), view(handles.camera->viewMatrix),
      currentLightPosition(handles.pointLight->lightPosition)
{
    for (int m = 0; m < static_cast<int>(handles.models.size()); ++m) {
        addModel(handles, swap, m);
    }
    worldTransforms.resize(localTransforms.size());

    const Renderer& renderer = *handles.renderer;
    shadowFramebuffer = renderer.framebuffer.framebufferId;
    cubemap = renderer.framebuffer.attachedTexture->id;
    shadowSize = renderer.framebuffer.attachedTexture->width;
    for (std::size_t face = 0; face < fixedFaceProjections.size(); ++face) {
        fixedFaceProjections[face] = renderer.shadowProjection * renderer.faceRotation[face];
    }

    const PixelShader& shadow = *handles.shadowProgram;
    shadowProgram.id = shadow.program;
    shadowProgram.followsMovingLight = true;
    shadowProgram.lightPosition = shadow.getUniformLocation("lightPosition");
    shadowProgram.modelMatrix = shadow.getUniformLocation("modelMatrix");
    cubemapMatrixLocation = shadow.getUniformLocation("cubemapMatrix");
    setLightConstants(shadowProgram, *handles.pointLight);
    nearFar = {renderer.nearPlane, renderer.farPlane};
    const int nearFarLocation = shadow.getUniformLocation("nearFarPlane");
    if (nearFarLocation >= 0) {
        glProgramUniform2fv(shadow.program, nearFarLocation, 1, nearFar.data());
    }
}

void RawScene::addModel(const SceneHandles& handles, const ProgramSwap& swap, int modelIndex)
{
    const Model3D& source = *handles.models[static_cast<std::size_t>(modelIndex)];
    const PixelShader* drawingProgram =
        source.program != nullptr && source.program == swap.from ? swap.to : source.program;
    Model model{};
    model.hasProgram = drawingProgram != nullptr && source.rootNode != nullptr;
    model.mainVertexArray = source.mainVertexArray;
    model.depthVertexArray = source.depthVertexArray;
    model.modelTransform = source.modelTransform;
    model.firstNode = static_cast<int>(nodes.size());
    model.animations = &source.animations;

    if (model.hasProgram) {
        const PixelShader& shader = *drawingProgram;
        Program& program = model.program;
        program.id = shader.program;
        program.followsMovingLight = shader.light == handles.pointLight;
        program.lightPosition = shader.getUniformLocation("lightPosition");
        program.mvpMatrix = shader.getUniformLocation("mvpMatrix");
        program.mvMatrix = shader.getUniformLocation("mvMatrix");
        program.modelMatrix = shader.getUniformLocation("modelMatrix");
        program.viewMatrix = shader.getUniformLocation("viewMatrix");
        program.normalMatrix = shader.getUniformLocation("normalMatrix");
        if (shader.light != nullptr) {
            setLightConstants(program, *shader.light);
        }
        setIfUsed(program.id, shader.getUniformLocation("specularPower"), source.specularPower);
        setIfUsed(program.id, shader.getUniformLocation("specularCoeff"), source.specularCoeff);
        setIfUsed(program.id, shader.getUniformLocation("textureMap"), 0);
        setIfUsed(program.id, shader.getUniformLocation("normalMap"), 1);
        setIfUsed(program.id, shader.getUniformLocation("cubeMap"), 2);
    }

    // Depth first, a node before its children: parents are posed before
    // the nodes that hang from them, and meshes are drawn in the
    // renderer's order.
    struct Pending {
        const ModelNode* node;
        int parent;
    };
    std::vector<Pending> pending;
    if (source.rootNode != nullptr) {
        pending.push_back({source.rootNode.get(), -1});
    }
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        const ModelNode& node = *next.node;
        const int index = static_cast<int>(nodes.size());
        Node flat{next.parent, modelIndex, static_cast<int>(draws.size()), 0, nullptr};
        if (!source.animations.empty()) {
            flat.channel = source.animations.front()->getChannel(static_cast<unsigned int>(node.channelIndex));
        }
        for (const std::uint32_t meshIndex : node.meshIndices) {
            if (meshIndex >= source.meshes.size()) {
                continue;
            }
            const MeshEntry& entry = source.meshes[meshIndex];
            const bool hasMaterial = entry.materialIndex < source.materials.size();
            const Material* material = hasMaterial ? &source.materials[entry.materialIndex] : nullptr;
            draws.push_back({static_cast<int>(entry.indexCount),
                             static_cast<std::uintptr_t>(entry.baseIndex) * sizeof(std::uint32_t),
                             static_cast<int>(entry.baseVertex), hasMaterial,
                             material != nullptr ? textureId(material->diffuseTexture) : 0,
                             material != nullptr ? textureId(material->normalTexture) : 0});
            ++flat.drawCount;
        }
        nodes.push_back(flat);
        localTransforms.push_back(node.localTransform);
        for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) {
            pending.push_back({child->get(), index});
        }
    }
    model.nodeCount = static_cast<int>(nodes.size()) - model.firstNode;
    models.push_back(model);
}

void RawScene::setLightConstants(const Program& program, const BaseLight& light) const
{
    const unsigned int id = program.id;
    if (!program.followsMovingLight) {
        setIfUsed(id, glGetUniformLocation(id, "lightPosition"), light.lightPosition);
    }
    if (const auto* point = dynamic_cast<const PointLight*>(&light)) {
        setIfUsed(id, glGetUniformLocation(id, "attenuationConst"), point->attenuationConst);
        setIfUsed(id, glGetUniformLocation(id, "attenuationLinear"), point->attenuationLinear);
        setIfUsed(id, glGetUniformLocation(id, "attenuationExp"), point->attenuationExp);
    }
    setIfUsed(id, glGetUniformLocation(id, "lightColor"), light.lightColor);
    setIfUsed(id, glGetUniformLocation(id, "ambientCoeff"), light.ambientCoeff);
    setIfUsed(id, glGetUniformLocation(id, "diffuseCoeff"), light.diffuseCoeff);
}

void RawScene::update(double deltaSeconds)
{
    glfwPollEvents();
    if (const auto placement = cameraClock.samplePath(deltaSeconds, *cameraPath)) {
        view = glm::inverse(*placement);
    }
    if (const auto placement = lightClock.samplePath(deltaSeconds, *lightPath)) {
        currentLightPosition = glm::vec3(*placement * glm::vec4(1.0f));
    }
    // One clock for all models, as in the renderer, advanced once a frame.
    modelClock.advance(deltaSeconds);
    for (const Model& model : models) {
        if (model.animations->empty()) {
            continue;
        }
        const std::optional<double> time = modelClock.ticks(0, *model.animations);
        if (!time) {
            continue;
        }
        for (int n = model.firstNode; n < model.firstNode + model.nodeCount; ++n) {
            if (nodes[n].channel != nullptr) {
                localTransforms[n] = nodes[n].channel->sample(*time);
            }
        }
    }
}

void RawScene::computeWorldMatrices()
{
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        const Node& node = nodes[n];
        const glm::mat4& parent =
            node.parent < 0 ? models[node.model].modelTransform : worldTransforms[node.parent];
        worldTransforms[n] = parent * localTransforms[n];
    }
}

void RawScene::renderLayeredShadow()
{
    computeWorldMatrices();
    glBindFramebuffer(GL_FRAMEBUFFER, shadowFramebuffer);
    glViewport(0, 0, shadowSize, shadowSize);
    glClear(GL_DEPTH_BUFFER_BIT);
    glUseProgram(shadowProgram.id);
    if (shadowProgram.lightPosition >= 0) {
        glUniform3fv(shadowProgram.lightPosition, 1, glm::value_ptr(currentLightPosition));
    }
    const glm::mat4 towardsLight = glm::translate(glm::mat4(1.0f), -currentLightPosition);
    for (std::size_t face = 0; face < cubemapMatrices.size(); ++face) {
        cubemapMatrices[face] = fixedFaceProjections[face] * towardsLight;
    }
    glUniformMatrix4fv(cubemapMatrixLocation, 6, GL_FALSE, glm::value_ptr(cubemapMatrices[0]));
    drawDepthGeometry(shadowProgram.modelMatrix);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    restoreWindowViewport();
}

void RawScene::drawDepthGeometry(int modelMatrixLocation) const
{
    for (const Model& model : models) {
        glBindVertexArray(model.depthVertexArray);
        for (int n = model.firstNode; n < model.firstNode + model.nodeCount; ++n) {
            const Node& node = nodes[n];
            uploadIfUsed(modelMatrixLocation, worldTransforms[n]);
            for (int d = node.firstDraw; d < node.firstDraw + node.drawCount; ++d) {
                const Draw& draw = draws[d];
                glDrawElementsBaseVertex(GL_TRIANGLES, draw.indexCount, GL_UNSIGNED_INT,
                                         reinterpret_cast<const void*>(draw.indexOffset), draw.baseVertex);
            }
        }
    }
}

void RawScene::restoreWindowViewport() const
{
    glViewport(0, 0, windowWidth, windowHeight);
}

void RawScene::renderMainPass()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubemap);
    for (const Model& model : models) {
        if (!model.hasProgram) {
            continue;
        }
        const Program& program = model.program;
        glUseProgram(program.id);
        if (program.followsMovingLight && program.lightPosition >= 0) {
            glUniform3fv(program.lightPosition, 1, glm::value_ptr(currentLightPosition));
        }
        glBindVertexArray(model.mainVertexArray);
        for (int n = model.firstNode; n < model.firstNode + model.nodeCount; ++n) {
            const Node& node = nodes[n];
            uploadNodeMatrices(program, worldTransforms[n]);
            for (int d = node.firstDraw; d < node.firstDraw + node.drawCount; ++d) {
                const Draw& draw = draws[d];
                if (draw.hasMaterial) {
                    glActiveTexture(GL_TEXTURE0);
                    glBindTexture(GL_TEXTURE_2D, draw.diffuseTexture);
                    glActiveTexture(GL_TEXTURE1);
                    glBindTexture(GL_TEXTURE_2D, draw.normalTexture);
                }
                glDrawElementsBaseVertex(GL_TRIANGLES, draw.indexCount, GL_UNSIGNED_INT,
                                         reinterpret_cast<const void*>(draw.indexOffset), draw.baseVertex);
            }
        }
    }
}

void RawScene::uploadNodeMatrices(const Program& program, const glm::mat4& world) const
{
    const glm::mat4 modelView = view * world;
    uploadIfUsed(program.mvpMatrix, projection * modelView);
    uploadIfUsed(program.mvMatrix, modelView);
    uploadIfUsed(program.modelMatrix, world);
    uploadIfUsed(program.viewMatrix, view);
    if (program.normalMatrix >= 0) {
        const glm::mat3 normalMatrix = glm::transpose(glm::inverse(glm::mat3(modelView)));
        glUniformMatrix3fv(program.normalMatrix, 1, GL_FALSE, glm::value_ptr(normalMatrix));
    }
}
