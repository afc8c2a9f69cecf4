#include <GL/glew.h>

#include "SceneTest.h"

#include "LogCapture.h"
#include "app/Application.h"
#include "gpu/PixelShader.h"
#include "scene/Model3D.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <filesystem>

namespace {

// Every vertex the program runs on stores, at its gl_VertexID (the mesh's
// index plus the draw's base vertex), the five matrices and what the colour
// and normal-map samplers see.
const char* const recorderVertexShader = R"(#version 430
layout(location = 0) in vec3 position;
uniform mat4 mvpMatrix;
uniform mat4 mvMatrix;
uniform mat4 modelMatrix;
uniform mat4 viewMatrix;
uniform mat3 normalMatrix;
uniform sampler2D textureMap;
uniform sampler2D normalMap;
struct Record {
    mat4 mvp;
    mat4 mv;
    mat4 model;
    mat4 view;
    mat4 normal;
    vec4 colour;
    vec4 normalColour;
    uvec4 seen;
};
layout(std430, binding = 0) buffer Records { Record records[]; };
void main()
{
    Record record;
    record.mvp = mvpMatrix;
    record.mv = mvMatrix;
    record.model = modelMatrix;
    record.view = viewMatrix;
    record.normal = mat4(normalMatrix);
    record.colour = textureLod(textureMap, vec2(0.5), 0.0);
    record.normalColour = textureLod(normalMap, vec2(0.5), 0.0);
    record.seen = uvec4(1u);
    records[gl_VertexID] = record;
    gl_Position = mvpMatrix * vec4(position, 1.0);
}
)";

const char* const recorderFragmentShader = R"(#version 430
out vec4 colour;
void main()
{
    colour = vec4(1.0);
}
)";

struct Record {
    glm::mat4 mvp;
    glm::mat4 mv;
    glm::mat4 model;
    glm::mat4 view;
    glm::mat4 normal;
    glm::vec4 colour;
    glm::vec4 normalColour;
    glm::uvec4 seen;
};

constexpr std::size_t recordCount = 16;

void expectMatrixNear(const glm::mat4& actual, const glm::mat4& expected)
{
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_NEAR(actual[c][r], expected[c][r], 1e-5f) << "column " << c << ", row " << r;
        }
    }
}

void expectColourNear(const glm::vec4& actual, const glm::vec4& expected)
{
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(actual[i], expected[i], 0.01f) << "channel " << i;
    }
}

class ModelDrawing : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        recorder = addProgram("recorder", recorderVertexShader, recorderFragmentShader);
        ASSERT_NE(recorder, nullptr);
        glGenBuffers(1, &recordBuffer);
        clearRecords();
        glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 0, recordBuffer);
        // Red for the arm's material, green for the base's.
        writeImage("ember.png", {255, 0, 0, 255});
        writeImage("stone.png", {0, 255, 0, 255});
        writeImage("normal_up.png", {128, 128, 255, 255});
        writeImage("checkerboard.png", {255, 255, 255, 255});
    }

    void placeCamera()
    {
        app.cameraAnimation = std::make_unique<CameraAnimation>(glm::mat4(1.0f), "no_camera.dae");
        app.cameraAnimation->viewMatrix = view;
        app.cameraAnimation->projectionMatrix = projection;
    }

    std::unique_ptr<Model3D> placedModel(const std::string& dataFile, float scale)
    {
        installAsset(dataFile);
        auto model = std::make_unique<Model3D>(recorder, 0.2f, 7.0f, placement, glm::vec3(0, 1, 0), 30.0f,
                                               glm::vec3(scale));
        return model->load(dataFile) ? std::move(model) : nullptr;
    }

    void clearRecords() const
    {
        const std::vector<Record> empty(recordCount);
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, recordBuffer);
        glBufferData(GL_SHADER_STORAGE_BUFFER, sizeof(Record) * recordCount, empty.data(), GL_DYNAMIC_READ);
    }

    std::vector<Record> records() const
    {
        glMemoryBarrier(GL_BUFFER_UPDATE_BARRIER_BIT);
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, recordBuffer);
        std::vector<Record> values(recordCount);
        glGetBufferSubData(GL_SHADER_STORAGE_BUFFER, 0, sizeof(Record) * recordCount, values.data());
        return values;
    }

    const glm::vec3 placement{0.5f, 0.0f, -1.0f};
    // A view turned 90 degrees about x and moved back, and a perspective.
    const glm::mat4 view = glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -8)) *
                           glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(1, 0, 0));
    const glm::mat4 projection = glm::perspective(glm::radians(60.0f), 1.5f, 0.1f, 100.0f);
    PixelShader* recorder = nullptr;
    GLuint recordBuffer = 0;
};

glm::mat4 rotation(float degrees, const glm::vec3& axis)
{
    return glm::rotate(glm::mat4(1.0f), glm::radians(degrees), axis);
}

// The Collada text with the effect also taking the image file as its normal
// map (the ambient slot, which Assimp reads as the light map).
std::string withNormalMap(std::string collada, const std::string& effect, const std::string& fileName)
{
    collada.insert(collada.find("</library_images>"),
                   "<image id=\"normal-map-image\"><init_from>" + fileName + "</init_from></image>");
    const std::size_t effectStart = collada.find("<effect id=\"" + effect + "-effect\">");
    const std::string profile = "<profile_COMMON>";
    collada.insert(collada.find(profile, effectStart) + profile.size(),
                   "<newparam sid=\"normal-map-surface\"><surface type=\"2D\"><init_from>normal-map-image"
                   "</init_from></surface></newparam><newparam sid=\"normal-map-sampler\"><sampler2D><source>"
                   "normal-map-surface</source></sampler2D></newparam>");
    collada.insert(collada.find("<diffuse>", effectStart),
                   "<ambient><texture texture=\"normal-map-sampler\" texcoord=\"UVMap\"/></ambient>");
    return collada;
}

const glm::vec4 red{1, 0, 0, 1};
const glm::vec4 green{0, 1, 0, 1};
const glm::vec4 blue{0, 0, 1, 1};
const glm::vec4 flatNormal{128 / 255.0f, 128 / 255.0f, 1, 1};

} // namespace

TEST_F(ModelDrawing, EachNodeUploadsItsFiveMatricesForItsOwnMeshes)
{
    // hierarchy.dae: mesh 0 is the arm's triangle (vertices 0 to 2), mesh 1
    // the base's quad (vertices 3 to 6); the arm is the base's child.
    placeCamera();
    const auto model = placedModel("hierarchy.dae", 2.0f);
    ASSERT_NE(model, nullptr);
    model->draw(recorder);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);

    const glm::mat4 placed = glm::translate(glm::mat4(1.0f), placement) * rotation(30.0f, {0, 1, 0}) *
                             glm::scale(glm::mat4(1.0f), glm::vec3(2.0f));
    const glm::mat4 base = placed * glm::translate(glm::mat4(1.0f), glm::vec3(1, 2, 3));
    const glm::mat4 arm = base * glm::translate(glm::mat4(1.0f), glm::vec3(0, 1, 0)) * rotation(90.0f, {0, 0, 1});
    // Under a uniform scale s the normal matrix is the pure rotation over s.
    const glm::mat4 baseRotation = rotation(90.0f, {1, 0, 0}) * rotation(30.0f, {0, 1, 0});
    const glm::mat4 armRotation = baseRotation * rotation(90.0f, {0, 0, 1});

    const std::vector<Record> recorded = records();
    for (std::size_t v = 0; v < 7; ++v) {
        SCOPED_TRACE("vertex " + std::to_string(v));
        const Record& record = recorded[v];
        ASSERT_EQ(record.seen.x, 1u);
        const bool onArm = v < 3;
        const glm::mat4 modelMatrix = onArm ? arm : base;
        expectMatrixNear(record.model, modelMatrix);
        expectMatrixNear(record.view, view);
        expectMatrixNear(record.mv, view * modelMatrix);
        expectMatrixNear(record.mvp, projection * view * modelMatrix);
        expectMatrixNear(glm::mat4(glm::mat3(record.normal)), glm::mat4(glm::mat3(onArm ? armRotation : baseRotation) * 0.5f));
    }
    EXPECT_EQ(recorded[7].seen.x, 0u);
}

TEST_F(ModelDrawing, EachMeshIsOneDrawOfItsIndexCount)
{
    // Two triangles and a quad split into two triangles and a line.
    const auto model = placedModel("two_meshes.dae", 1.0f);
    ASSERT_NE(model, nullptr);
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    model->draw(recorder);
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    glDeleteQueries(1, &query);
    EXPECT_EQ(primitives, 5u);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(ModelDrawing, AMeshWithoutItsMaterialOrImageSamplesTheDefaultsNotTheLastMesh)
{
    // The base's quad (green) is drawn before the arm's triangle, whose red
    // image is missing here, so whatever the base leaves on the units is
    // what the arm would sample without stand-ins. White and (128, 128, 255)
    // are the defaults.
    const glm::vec4 white{1, 1, 1, 1};
    std::filesystem::remove(workspace.path() / "res/texture/ember.png");
    {
        // Without even the default image the unit is left empty.
        std::filesystem::remove(workspace.path() / "res/texture/checkerboard.png");
        const auto model = placedModel("hierarchy.dae", 1.0f);
        ASSERT_NE(model, nullptr);
        model->draw(recorder);
        expectColourNear(records()[0].colour, {0, 0, 0, 1});
        expectColourNear(records()[3].colour, green);
        writeImage("checkerboard.png", {255, 255, 255, 255});
    }
    // Its own material with the image missing, none, and an index past the
    // list.
    for (const std::uint32_t armMaterial : {std::uint32_t{0}, MeshEntry::noMaterial, 7u}) {
        SCOPED_TRACE(armMaterial);
        clearRecords();
        const auto model = placedModel("hierarchy.dae", 1.0f);
        ASSERT_NE(model, nullptr);
        if (armMaterial != 0) {
            model->meshes[0].materialIndex = armMaterial;
        }
        model->draw(recorder);
        EXPECT_EQ(takeGlError(), GL_NO_ERROR);

        const std::vector<Record> recorded = records();
        for (std::size_t v = 3; v < 7; ++v) {
            ASSERT_EQ(recorded[v].seen.x, 1u);
            expectColourNear(recorded[v].colour, green);
        }
        for (std::size_t v = 0; v < 3; ++v) {
            ASSERT_EQ(recorded[v].seen.x, 1u);
            expectColourNear(recorded[v].colour, white);
            expectColourNear(recorded[v].normalColour, flatNormal);
        }
    }
}

TEST_F(ModelDrawing, EachSlotBindsItsImageOnItsOwnUnitWhicheverSlotAskedForItFirst)
{
    // The base (green stone) is drawn before the arm (red ember). One image
    // is one material's colour and the other's normal map, in both ways
    // round, so that in one case the colour slot asks for it first and in
    // the other the normal-map slot; last, the base's normal map shares the
    // stem of its colour image.
    writeImage("stone.nrm.png", {0, 0, 255, 255});
    struct Case {
        const char* effect;
        const char* normalMap;
        glm::vec4 baseNormal;
        glm::vec4 armNormal;
    };
    const Case cases[] = {
        {"ember", "stone.png", flatNormal, green},
        {"stone", "ember.png", red, flatNormal},
        {"stone", "stone.nrm.png", blue, flatNormal},
    };
    for (const Case& shared : cases) {
        SCOPED_TRACE(std::string(shared.effect) + " with the normal map " + shared.normalMap);
        workspace.write("res/assets/shared.dae",
                        withNormalMap(dataFileContent("hierarchy.dae"), shared.effect, shared.normalMap));
        clearRecords();
        {
            Model3D model(recorder, 0.2f, 7.0f, glm::vec3(0.0f), glm::vec3(1.0f), 0.0f, glm::vec3(1.0f));
            ASSERT_TRUE(model.load("shared.dae"));
            model.draw(recorder);
        }
        app.textureManager.cleanUp();

        const std::vector<Record> recorded = records();
        for (std::size_t v = 0; v < 7; ++v) {
            SCOPED_TRACE("vertex " + std::to_string(v));
            ASSERT_EQ(recorded[v].seen.x, 1u);
            const bool onArm = v < 3;
            expectColourNear(recorded[v].colour, onArm ? red : green);
            expectColourNear(recorded[v].normalColour, onArm ? shared.armNormal : shared.baseNormal);
        }
    }
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(ModelDrawing, WhatIsMissingIsSkippedAndTheDepthPassKeepsTheBoundProgram)
{
    // No camera, no shadow cube map; a null program draws nothing.
    const auto model = placedModel("hierarchy.dae", 1.0f);
    ASSERT_NE(model, nullptr);
    model->draw(nullptr);
    EXPECT_EQ(records()[0].seen.x, 0u);
    LogCapture log;
    model->draw(recorder);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
    EXPECT_NE(log.text().find("ERROR TextureManager: Texture 'fboCubemap' does not exist in map"),
              std::string::npos);
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &current);
    EXPECT_EQ(current, 0);
    const Record base = records()[3];
    ASSERT_EQ(base.seen.x, 1u);
    expectMatrixNear(base.view, glm::mat4(1.0f));
    expectMatrixNear(base.mvp, base.model);

    clearRecords();
    recorder->bind();
    model->drawDepth();
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, static_cast<GLint>(recorder->program));
    recorder->unbind();
    const std::vector<Record> recorded = records();
    for (std::size_t v = 0; v < 7; ++v) {
        EXPECT_EQ(recorded[v].seen.x, 1u) << v;
    }
    expectMatrixNear(recorded[0].model, model->modelTransform * model->rootNode->children[0]->localTransform *
                                             model->rootNode->children[0]->children[0]->localTransform);
}
