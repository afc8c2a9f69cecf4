#include <GL/glew.h>

#include "SceneTest.h"

#include "LogCapture.h"
#include "app/Application.h"
#include "gpu/DefaultFramebuffer.h"
#include "gpu/PixelShader.h"
#include "lighting/DirectionalLight.h"
#include "scene/Model3D.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>

namespace {

using AssetManagerTest = SceneTest;

// Stores the model matrix's translation of the last vertex drawn.
const char* const placementVertexShader = R"(#version 430
layout(location = 0) in vec3 position;
uniform mat4 modelMatrix;
layout(std430, binding = 0) buffer Placement { vec4 translation; };
void main()
{
    translation = modelMatrix[3];
    gl_Position = vec4(position, 1.0);
}
)";

// Reads everything a scene program reads: the five vertex attributes, the
// matrices, the three textures, the light and the specular values.
const char* const sceneVertexShader = R"(#version 430
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 uv;
layout(location = 2) in vec3 normal;
layout(location = 3) in vec3 tangent;
layout(location = 4) in vec3 bitangent;
uniform mat4 mvpMatrix;
uniform mat3 normalMatrix;
out vec2 textureCoordinate;
out vec3 eyeNormal;
void main()
{
    textureCoordinate = uv;
    eyeNormal = normalMatrix * mat3(tangent, bitangent, normal)[2];
    gl_Position = mvpMatrix * vec4(position, 1.0);
}
)";

const char* const sceneFragmentShader = R"(#version 430
in vec2 textureCoordinate;
in vec3 eyeNormal;
layout(binding = 0) uniform sampler2D textureMap;
layout(binding = 1) uniform sampler2D normalMap;
layout(binding = 2) uniform samplerCube cubeMap;
uniform vec3 lightPosition;
uniform float diffuseCoeff;
uniform float specularPower;
out vec4 colour;
void main()
{
    vec3 n = normalize(eyeNormal + texture(normalMap, textureCoordinate).xyz);
    float lit = diffuseCoeff * max(dot(n, normalize(lightPosition)), 0.0) * texture(cubeMap, n).r;
    colour = texture(textureMap, textureCoordinate) * pow(lit, specularPower);
}
)";

const char* const whiteFragmentShader = "#version 430\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n";

std::unique_ptr<Model3D> newModel(PixelShader* program = nullptr, float x = 0.0f)
{
    return std::make_unique<Model3D>(program, 0.2f, 7.0f, glm::vec3(x, 0, 0), glm::vec3(1.0f), 0.0f, glm::vec3(1.0f));
}

bool logged(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::ptrdiff_t position(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) - lines.begin();
}

} // namespace

TEST_F(AssetManagerTest, ModelsAreRegisteredUnderTheirStemAndTheFirstStays)
{
    installAsset("hierarchy.dae", "floor.old.dae");
    installAsset("two_meshes.dae", "floor.dae");
    installAsset("two_meshes.dae", "dotless");
    AssetManager assets;
    LogCapture log;
    Model3D* floor = assets.addAsset("floor.old.dae", newModel());
    ASSERT_NE(floor, nullptr);
    EXPECT_EQ(assets.addAsset("floor.dae", newModel()), floor);
    EXPECT_EQ(floor->meshes.size(), 2u);
    EXPECT_NE(assets.addAsset("dotless", newModel()), nullptr);

    const std::vector<std::string> lines = log.lines();
    EXPECT_TRUE(logged(lines, "INFO AssetManager: Asset 'floor' added successfully"));
    EXPECT_TRUE(logged(lines, "INFO AssetManager: Asset 'floor' already exists"));
    EXPECT_TRUE(logged(lines, "INFO AssetManager: Asset 'dotless' added successfully"));
}

TEST_F(AssetManagerTest, AFailedImportIsReportedAndLeavesTheNameFree)
{
    AssetManager assets;
    {
        LogCapture log;
        EXPECT_EQ(assets.addAsset("late.dae", newModel()), nullptr);
        EXPECT_EQ(log.lines(), std::vector<std::string>{"ERROR AssetManager: Could not import asset 'late'"});
    }
    installAsset("two_meshes.dae", "late.dae");
    LogCapture log;
    EXPECT_NE(assets.addAsset("late.dae", newModel()), nullptr);
    EXPECT_EQ(log.lines().back(), "INFO AssetManager: Asset 'late' added successfully");
}

TEST_F(AssetManagerTest, CleanUpEmptiesBothRegistries)
{
    AssetManager assets;
    {
        LogCapture log;
        assets.cleanUp();
        EXPECT_EQ(log.text(), "");
    }
    installAsset("two_meshes.dae");
    ASSERT_NE(assets.addAsset("two_meshes.dae", newModel()), nullptr);
    assets.lights.addLight("directional",
                           std::make_unique<DirectionalLight>(glm::vec3(1.0f), 0.1f, 0.2f, glm::vec3(0.0f)));
    assets.cleanUp();

    LogCapture log;
    EXPECT_EQ(assets.lights.getLight("directional"), nullptr);
    EXPECT_NE(assets.addAsset("two_meshes.dae", newModel()), nullptr);
    EXPECT_EQ(log.lines().back(), "INFO AssetManager: Asset 'two_meshes' added successfully");
}

TEST_F(AssetManagerTest, DrawPassesVisitTheModelsInNameOrderWithTheirOwnPrograms)
{
    // Both models draw into one buffer, so the last one drawn, the greater
    // name, leaves its placement there.
    PixelShader* program = addProgram("placement", placementVertexShader, whiteFragmentShader);
    ASSERT_NE(program, nullptr);
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 0, buffer);
    installAsset("two_meshes.dae", "b.dae");
    installAsset("two_meshes.dae", "a.dae");
    AssetManager assets;
    ASSERT_NE(assets.addAsset("b.dae", newModel(program, 2.0f)), nullptr);
    ASSERT_NE(assets.addAsset("a.dae", newModel(program, 1.0f)), nullptr);

    for (const bool depthPass : {false, true}) {
        SCOPED_TRACE(depthPass);
        glm::vec4 translation(0.0f);
        glBufferData(GL_SHADER_STORAGE_BUFFER, sizeof translation, &translation, GL_DYNAMIC_READ);
        if (depthPass) {
            program->bind();
            assets.drawAllDepth();
            program->unbind();
        } else {
            assets.drawAll();
        }
        glMemoryBarrier(GL_BUFFER_UPDATE_BARRIER_BIT);
        glGetBufferSubData(GL_SHADER_STORAGE_BUFFER, 0, sizeof translation, &translation);
        EXPECT_EQ(translation, glm::vec4(2, 0, 0, 1));
    }
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(AssetManagerTest, TheSceneLoadsInTableOrderAndDrawsCleanly)
{
    installAsset("materials.dae", "steps.dae");
    installAsset("hierarchy.dae", "point_light_sphere.dae");
    for (const char* image : {"wall.png", "steps_n.png", "checkerboard.png", "normal_up.png", "ember.png"}) {
        writeImage(image, {200, 180, 160, 255});
    }
    LightRegistry& lights = app.assetManager.lights;
    lights.loadLights();
    ASSERT_NE(addProgram("smnmbptex_point", sceneVertexShader, sceneFragmentShader, lights.getLight("point")),
              nullptr);
    ASSERT_NE(addProgram("nmbptex_dir", sceneVertexShader, sceneFragmentShader, lights.getLight("directional")),
              nullptr);
    app.textureManager.addDepthCubemap("fboCubemap", 64, 64, 2, "cubeMap");
    app.cameraAnimation = std::make_unique<CameraAnimation>(
        glm::perspective(glm::radians(60.0f), 1.0f, 0.1f, 100.0f), "no_camera.dae");
    app.cameraAnimation->viewMatrix = glm::translate(glm::mat4(1.0f), glm::vec3(0, -1, -6));

    LogCapture log;
    app.assetManager.loadAssets();
    // The table's order, not the names': everything of the steps, then the
    // sphere's import.
    const std::vector<std::string> lines = log.lines();
    const auto steps = position(lines, "INFO AssetManager: Asset 'steps' added successfully");
    const auto sphere = position(lines, "INFO AssetManager: Asset 'point_light_sphere' added successfully");
    ASSERT_LT(sphere, static_cast<std::ptrdiff_t>(lines.size())) << log.text();
    EXPECT_LT(steps, position(lines, "INFO TextureManager: Texture 'ember.png' added successfully as 'ember'"));
    EXPECT_LT(steps, sphere);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);

    PixelShader* depthProgram = app.shaderManager.getShader("nmbptex_dir");
    for (int frame = 0; frame < 3; ++frame) {
        lights.updateLights(0.02);
        app.assetManager.updateAll(0.02);
        depthProgram->bind();
        app.assetManager.drawAllDepth();
        depthProgram->unbind();
        DefaultFramebuffer::clear();
        app.assetManager.drawAll();
        EXPECT_EQ(takeGlError(), GL_NO_ERROR) << "frame " << frame;
    }
}
