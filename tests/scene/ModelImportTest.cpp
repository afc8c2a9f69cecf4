#include <GL/glew.h>

#include "SceneTest.h"

#include "scene/Model3D.h"

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

namespace {

using ModelImport = SceneTest;

glm::vec3 vec3At(const std::vector<float>& values, std::size_t vertex)
{
    return {values[3 * vertex], values[3 * vertex + 1], values[3 * vertex + 2]};
}

bool allFinite(const std::vector<float>& values)
{
    for (float value : values) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return true;
}

GLint attributeParameter(GLuint location, GLenum parameter)
{
    GLint value = 0;
    glGetVertexAttribiv(location, parameter, &value);
    return value;
}

} // namespace

TEST_F(ModelImport, TheMeshesShareOneSetOfBuffersWithMeshLocalIndices)
{
    // The file sorts its materials by name, so the quad's "red" is 1 and the
    // other mesh's "blue" is 0. The second mesh is a quad and a line.
    const auto model = importModel("two_meshes.dae");
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->meshes.size(), 2u);
    const MeshEntry& quad = model->meshes[0];
    const MeshEntry& quadAndLine = model->meshes[1];
    EXPECT_EQ(std::make_tuple(quad.indexCount, quad.baseVertex, quad.baseIndex, quad.materialIndex),
              std::make_tuple(6u, 0u, 0u, 1u));
    EXPECT_EQ(std::make_tuple(quadAndLine.indexCount, quadAndLine.baseVertex, quadAndLine.baseIndex,
                              quadAndLine.materialIndex),
              std::make_tuple(9u, 4u, 6u, 0u));

    EXPECT_EQ(readFloats(model->positionBuffer).size(), 10u * 3);
    EXPECT_EQ(readFloats(model->tangentBuffer).size(), 10u * 3);
    EXPECT_EQ(readFloats(model->bitangentBuffer).size(), 10u * 3);
    // Neither mesh has texture coordinates.
    EXPECT_EQ(readFloats(model->textureCoordinateBuffer), std::vector<float>(10u * 2, 0.0f));
    // The line keeps three indices: its first one three times.
    const std::vector<std::uint32_t> expectedIndices{0, 1, 2, 0, 2, 3, 0, 1, 2, 0, 2, 3, 4, 4, 4};
    EXPECT_EQ(readIndices(model->indexBuffer), expectedIndices);

    // Normal smoothing leaves the line's last vertex without a normal.
    const std::vector<float> normals = readFloats(model->normalBuffer);
    ASSERT_EQ(normals.size(), 10u * 3);
    for (std::size_t v = 0; v < 10; ++v) {
        EXPECT_NEAR(glm::length(vec3At(normals, v)), 1.0f, 1e-6f) << "vertex " << v;
    }
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(ModelImport, TheVertexArraysFeedTheShaderLocations)
{
    const auto model = importModel("two_meshes.dae");
    ASSERT_NE(model, nullptr);
    const GLuint mainBuffers[] = {model->positionBuffer, model->textureCoordinateBuffer, model->normalBuffer,
                                  model->tangentBuffer, model->bitangentBuffer};
    const GLint components[] = {3, 2, 3, 3, 3};

    glBindVertexArray(model->mainVertexArray);
    for (GLuint location = 0; location < 5; ++location) {
        SCOPED_TRACE(location);
        EXPECT_EQ(attributeParameter(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED), GL_TRUE);
        EXPECT_EQ(attributeParameter(location, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING),
                  static_cast<GLint>(mainBuffers[location]));
        EXPECT_EQ(attributeParameter(location, GL_VERTEX_ATTRIB_ARRAY_SIZE), components[location]);
    }
    GLint elements = 0;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elements);
    EXPECT_EQ(elements, static_cast<GLint>(model->indexBuffer));

    glBindVertexArray(model->depthVertexArray);
    EXPECT_EQ(attributeParameter(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING),
              static_cast<GLint>(model->positionBuffer));
    for (GLuint location = 1; location < 5; ++location) {
        EXPECT_EQ(attributeParameter(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED), GL_FALSE) << location;
    }
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elements);
    EXPECT_EQ(elements, static_cast<GLint>(model->indexBuffer));
    glBindVertexArray(0);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(ModelImport, TangentsComeFromTheNormalAndTheImportedBitangent)
{
    // A mapped quad, a quad whose texture coordinates all coincide, two
    // lines that get neither normals nor texture coordinates, and the first
    // quad again with u mirrored.
    const auto model = importModel("tangent_frames.dae");
    ASSERT_NE(model, nullptr);
    const std::vector<float> normals = readFloats(model->normalBuffer);
    const std::vector<float> tangents = readFloats(model->tangentBuffer);
    const std::vector<float> bitangents = readFloats(model->bitangentBuffer);
    const std::vector<float> textureCoordinates = readFloats(model->textureCoordinateBuffer);
    ASSERT_EQ(normals.size(), 16u * 3);
    ASSERT_EQ(tangents.size(), normals.size());
    ASSERT_EQ(bitangents.size(), normals.size());

    for (std::size_t v = 0; v < 4; ++v) {
        SCOPED_TRACE(v);
        EXPECT_EQ(vec3At(normals, v), glm::vec3(0, 0, 1));
        EXPECT_EQ(vec3At(tangents, v), glm::vec3(-1, 0, 0));
        EXPECT_EQ(vec3At(bitangents, v), glm::vec3(0, -1, 0));
    }
    EXPECT_EQ(std::vector<float>(textureCoordinates.begin(), textureCoordinates.begin() + 8),
              (std::vector<float>{0, 0, 1, 0, 1, 1, 0, 1}));

    // Both go up negated: -dP/du is +x on the mirrored quad.
    for (std::size_t v = 12; v < 16; ++v) {
        SCOPED_TRACE(v);
        EXPECT_EQ(vec3At(tangents, v), glm::vec3(1, 0, 0));
        EXPECT_EQ(vec3At(bitangents, v), glm::vec3(0, -1, 0));
    }

    EXPECT_TRUE(allFinite(normals) && allFinite(tangents) && allFinite(bitangents));
    for (std::size_t v = 4; v < 12; ++v) {
        SCOPED_TRACE(v);
        const glm::vec3 normal = vec3At(normals, v);
        const glm::vec3 tangent = vec3At(tangents, v);
        EXPECT_NEAR(glm::length(normal), 1.0f, 1e-6f);
        EXPECT_NEAR(glm::length(tangent), 1.0f, 1e-6f);
        EXPECT_NEAR(glm::dot(normal, tangent), 0.0f, 1e-6f);
    }
}

TEST_F(ModelImport, NodesKeepTheirTransformsAndTheFirstNamesakeTakesTheChannel)
{
    const auto model = importModel("animated.dae");
    ASSERT_NE(model, nullptr);
    ASSERT_NE(model->rootNode, nullptr);
    const ModelNode& root = *model->rootNode;
    ASSERT_EQ(root.children.size(), 2u);
    const ModelNode& group = *root.children[0];
    ASSERT_EQ(group.children.size(), 1u);
    const ModelNode& nestedJoint = *group.children[0];
    const ModelNode& laterJoint = *root.children[1];

    EXPECT_EQ(group.name, "group");
    EXPECT_EQ(group.localTransform, glm::translate(glm::mat4(1.0f), glm::vec3(1, 2, 3)));
    EXPECT_EQ(nestedJoint.localTransform, glm::translate(glm::mat4(1.0f), glm::vec3(0, 1, 0)));
    EXPECT_EQ(nestedJoint.meshIndices, std::vector<std::uint32_t>{0});

    // Assimp gives both nodes called "joint" a channel of that name; each
    // channel lands on the first "joint" depth first, the last one staying.
    ASSERT_EQ(model->animations.size(), 1u);
    ASSERT_EQ(model->animations[0]->channels.size(), 2u);
    EXPECT_EQ(nestedJoint.name, "joint");
    EXPECT_EQ(laterJoint.name, "joint");
    EXPECT_EQ(nestedJoint.channelIndex, 1);
    EXPECT_EQ(laterJoint.channelIndex, -1);
    EXPECT_EQ(group.channelIndex, -1);
    EXPECT_EQ(root.channelIndex, -1);
}

TEST_F(ModelImport, AFileThatCannotBeReadMakesNoGlObject)
{
    workspace.write("res/assets/broken.dae", "<COLLADA>not a model");
    for (const char* file : {"broken.dae", "absent.dae"}) {
        SCOPED_TRACE(file);
        Model3D model(nullptr, 0.2f, 7.0f, glm::vec3(0.0f), glm::vec3(1.0f), 0.0f, glm::vec3(1.0f));
        GLuint before = 0;
        glGenBuffers(1, &before);
        EXPECT_FALSE(model.load(file));
        GLuint after = 0;
        glGenBuffers(1, &after);
        EXPECT_EQ(after, before + 1);
        EXPECT_EQ(model.mainVertexArray, 0u);
        EXPECT_EQ(model.depthVertexArray, 0u);
        EXPECT_EQ(model.positionBuffer, 0u);
        EXPECT_EQ(model.indexBuffer, 0u);
        EXPECT_TRUE(model.meshes.empty() && model.materials.empty() && model.animations.empty());
        EXPECT_EQ(model.rootNode, nullptr);
        glDeleteBuffers(1, &before);
        glDeleteBuffers(1, &after);
    }
}

TEST_F(ModelImport, ThePlacementScalesThenRotatesThenTranslates)
{
    const Model3D placed(nullptr, 0.2f, 7.0f, glm::vec3(1, 2, 3), glm::vec3(0, 0, 1), 90.0f, glm::vec3(2));
    const glm::vec4 moved = placed.modelTransform * glm::vec4(1, 0, 0, 1);
    EXPECT_NEAR(moved.x, 1.0f, 1e-5f);
    EXPECT_NEAR(moved.y, 4.0f, 1e-5f);
    EXPECT_NEAR(moved.z, 3.0f, 1e-5f);

    // No axis means no rotation rather than a matrix of NaN.
    const Model3D unrotated(nullptr, 0.2f, 7.0f, glm::vec3(1, 2, 3), glm::vec3(0), 45.0f, glm::vec3(1));
    EXPECT_EQ(unrotated.modelTransform, glm::translate(glm::mat4(1.0f), glm::vec3(1, 2, 3)));
}
