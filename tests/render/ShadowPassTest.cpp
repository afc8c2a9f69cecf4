#include <GL/glew.h>

#include "render/Renderer.h"

#include "app/Application.h"
#include "gpu/PixelShader.h"
#include "gpu/Texture.h"
#include "lighting/BaseLight.h"
#include "scene/Model3D.h"

#include "GlTest.h"
#include "CubemapSampler.h"
#include "LogCapture.h"
#include "ShippedScene.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/vec4.hpp>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using Viewport = GlTest::Viewport;
using FaceMatrices = std::array<glm::mat4, 6>;

// The cube-map faces in layer order: the axis each one looks along and the
// up vector of its view.
const std::array<glm::vec3, 6> faceAxes = {glm::vec3(1, 0, 0),  glm::vec3(-1, 0, 0), glm::vec3(0, 1, 0),
                                           glm::vec3(0, -1, 0), glm::vec3(0, 0, 1),  glm::vec3(0, 0, -1)};
const std::array<glm::vec3, 6> faceUps = {glm::vec3(0, -1, 0), glm::vec3(0, -1, 0), glm::vec3(0, 0, 1),
                                          glm::vec3(0, 0, -1), glm::vec3(0, -1, 0), glm::vec3(0, -1, 0)};

// A light inside the room of steps.dae (floor y = 0, walls at x and z = +-10,
// no ceiling), where each face axis meets the room at its own distance with
// nothing in between.
const glm::vec3 lightInRoom(2.0f, 3.0f, 4.0f);
const std::array<float, 6> roomDistanceAlongFace = {8.0f, 12.0f, 0.0f, 3.0f, 6.0f, 14.0f};
constexpr int emptyFace = 2;

// The depth the pass stores for a surface at this distance along the face
// axis: the projection's normalised depth for near 0.1 and far 40, in [0, 1].
float storedDepth(float axisDistance)
{
    const float normalised = (40.1f / 39.9f) - (8.0f / 39.9f) / axisDistance;
    return 0.5f * normalised + 0.5f;
}

FaceMatrices uploadedFaceMatrices(const PixelShader& program)
{
    const GLint location = glGetUniformLocation(program.program, "cubemapMatrix");
    FaceMatrices matrices;
    for (int face = 0; face < 6; ++face) {
        glGetUniformfv(program.program, location + face, glm::value_ptr(matrices[face]));
    }
    return matrices;
}

glm::vec3 normalisedDevice(const glm::mat4& matrix, const glm::vec3& point)
{
    const glm::vec4 clip = matrix * glm::vec4(point, 1.0f);
    return glm::vec3(clip) / clip.w;
}

GLint integerState(GLenum name)
{
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

Viewport windowViewport()
{
    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(app.window.handle, &width, &height);
    return {0, 0, width, height};
}

bool sameBits(const glm::vec4& a, const glm::vec4& b)
{
    return std::memcmp(&a, &b, sizeof(glm::vec4)) == 0;
}

class ShadowPassTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        copyShippedScene(workspace.path());
        glfwGetWindowSize(app.window.handle, &windowWidth, &windowHeight);
    }

    void TearDown() override
    {
        LogCapture silence;
        app.assetManager.cleanUp();
        app.textureManager.cleanUp();
        app.shaderManager.cleanUp();
        glfwSetWindowSize(app.window.handle, windowWidth, windowHeight);
    }

    // The scene's lights; the point light stands at lightInRoom.
    static BaseLight* pointLight()
    {
        LogCapture silence;
        app.assetManager.lights.loadLights();
        BaseLight* light = app.assetManager.lights.getLight("point");
        light->lightPosition = lightInRoom;
        return light;
    }

    static PixelShader* addShadowProgram(BaseLight* light)
    {
        LogCapture silence;
        return app.shaderManager.addShader("shadowmap", "shadowmap.vert", "shadowmap.geom", "shadowmap.frag", light);
    }

    // The room alone, drawn by the pass only.
    static void addRoom()
    {
        LogCapture silence;
        ASSERT_NE(app.assetManager.addAsset("steps.dae", std::make_unique<Model3D>(nullptr, 0.2f, 7.0f,
                                                                                   glm::vec3(0.0f), glm::vec3(1.0f),
                                                                                   0.0f, glm::vec3(1.0f))),
                  nullptr);
    }

    void initShadowMap()
    {
        LogCapture silence;
        renderer.initShadowMap();
    }

    std::vector<float> sampleFaceCentres() const
    {
        return CubemapSampler::sample(*renderer.framebuffer.attachedTexture, {faceAxes.begin(), faceAxes.end()});
    }

    // The pass is skipped: the cube map, allocated without data, holds the
    // far plane everywhere from the set-up on, so nothing is in shadow;
    // nothing is logged, and the main pass still gets the whole window after
    // a resize.
    void expectSkippedPass()
    {
        ASSERT_NO_FATAL_FAILURE(addRoom());
        glfwSetWindowSize(app.window.handle, 300, 170);
        glViewport(0, 0, 1, 1);
        {
            LogCapture log;
            renderer.renderShadowMap();
            renderer.renderShadowMap();
            EXPECT_EQ(log.text(), "");
        }
        EXPECT_EQ(currentViewport(), (Viewport{0, 0, 300, 170}));
        EXPECT_EQ(integerState(GL_FRAMEBUFFER_BINDING), 0);
        EXPECT_EQ(sampleFaceCentres(), std::vector<float>(6, 1.0f));
        EXPECT_EQ(takeGlError(), static_cast<unsigned int>(GL_NO_ERROR));
    }

    Renderer renderer{app.timer};
    int windowWidth = 0;
    int windowHeight = 0;
};

} // namespace

TEST_F(ShadowPassTest, InitialisationMakesTheDepthCubemapAndTheFixedMatrices)
{
    PixelShader* program = addShadowProgram(pointLight());
    ASSERT_NE(program, nullptr);
    {
        LogCapture log;
        renderer.initShadowMap();
        EXPECT_EQ(log.lines(), (Lines{"INFO TextureManager: Cubemap 'fboCubemap' added successfully as 'fboCubemap'",
                                      "INFO FramebufferObject: FBO is complete"}));
    }
    const Texture* cubemap = app.textureManager.getTexture("fboCubemap");
    ASSERT_NE(cubemap, nullptr);
    EXPECT_EQ(renderer.framebuffer.attachedTexture, cubemap);
    EXPECT_EQ(renderer.shadowProgram, program);
    EXPECT_EQ(cubemap->target, static_cast<unsigned int>(GL_TEXTURE_CUBE_MAP));
    EXPECT_EQ(cubemap->width, 2048);
    EXPECT_EQ(cubemap->height, 2048);
    EXPECT_EQ(cubemap->textureUnit, 2);
    EXPECT_EQ(cubemap->samplerName, "cubeMap");

    // Raw depth for the shaders to compare themselves, filtered linearly.
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubemap->id);
    GLint internalFormat = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 0, GL_TEXTURE_INTERNAL_FORMAT, &internalFormat);
    GLint compareMode = -1;
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_COMPARE_MODE, &compareMode);
    GLint minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, &minFilter);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    EXPECT_EQ(internalFormat, GL_DEPTH_COMPONENT24);
    EXPECT_EQ(compareMode, GL_NONE);
    EXPECT_EQ(minFilter, GL_LINEAR);

    EXPECT_EQ(renderer.nearPlane, 0.1f);
    EXPECT_EQ(renderer.farPlane, 40.0f);
    glm::mat4 projection(0.0f);
    projection[0][0] = 1.0f;
    projection[1][1] = 1.0f;
    projection[2][2] = -1.0050125f;
    projection[2][3] = -1.0f;
    projection[3][2] = -0.20050125f;
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            EXPECT_FLOAT_EQ(renderer.shadowProjection[column][row], projection[column][row])
                << "[" << column << "][" << row << "]";
        }
    }
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(renderer.faceRotation[face], glm::lookAt(glm::vec3(0.0f), faceAxes[face], faceUps[face]))
            << "face " << face;
    }
    EXPECT_EQ(takeGlError(), static_cast<unsigned int>(GL_NO_ERROR));
}

TEST_F(ShadowPassTest, UploadedFaceMatricesLookFromTheLightAndFollowIt)
{
    BaseLight* light = pointLight();
    const PixelShader* program = addShadowProgram(light);
    ASSERT_NE(program, nullptr);
    initShadowMap();
    renderer.renderShadowMap();
    const FaceMatrices first = uploadedFaceMatrices(*program);

    const glm::vec4 clip = first[0] * glm::vec4(lightInRoom + glm::vec3(1.0f, 0.0f, 0.0f), 1.0f);
    EXPECT_NEAR(clip.x, 0.0f, 1e-5f);
    EXPECT_NEAR(clip.y, 0.0f, 1e-5f);
    EXPECT_NEAR(clip.z, 0.80451125f, 1e-5f);
    EXPECT_NEAR(clip.w, 1.0f, 1e-5f);
    // The near and far planes bound every face's depth range, straight ahead.
    for (int face = 0; face < 6; ++face) {
        const glm::vec3 nearest = normalisedDevice(first[face], lightInRoom + 0.1f * faceAxes[face]);
        const glm::vec3 farthest = normalisedDevice(first[face], lightInRoom + 40.0f * faceAxes[face]);
        EXPECT_NEAR(nearest.z, -1.0f, 1e-4f) << "face " << face;
        EXPECT_NEAR(farthest.z, 1.0f, 1e-4f) << "face " << face;
        EXPECT_NEAR(glm::length(glm::vec2(nearest)), 0.0f, 1e-5f) << "face " << face;
        EXPECT_NEAR(glm::length(glm::vec2(farthest)), 0.0f, 1e-5f) << "face " << face;
    }

    const glm::mat4 projection = renderer.shadowProjection;
    const std::array<glm::mat4, 6> rotations = renderer.faceRotation;
    const glm::vec3 moved(-4.5f, 2.25f, -7.0f);
    light->lightPosition = moved;
    renderer.renderShadowMap();
    const FaceMatrices second = uploadedFaceMatrices(*program);

    EXPECT_EQ(std::memcmp(&projection, &renderer.shadowProjection, sizeof projection), 0);
    EXPECT_EQ(std::memcmp(rotations.data(), renderer.faceRotation.data(), sizeof rotations), 0);
    for (int face = 0; face < 6; ++face) {
        for (int column = 0; column < 3; ++column) {
            EXPECT_TRUE(sameBits(second[face][column], first[face][column])) << "face " << face;
        }
        // The same view of the world, shifted by the light's move.
        const glm::mat4 shifted = first[face] * glm::translate(glm::mat4(1.0f), lightInRoom - moved);
        for (int row = 0; row < 4; ++row) {
            EXPECT_NEAR(second[face][3][row], shifted[3][row], 1e-5f) << "face " << face;
        }
    }
    EXPECT_EQ(takeGlError(), static_cast<unsigned int>(GL_NO_ERROR));
}

TEST_F(ShadowPassTest, ThePassHandsItsProgramThePlanesAndTheLight)
{
    // A fragment stage that stores the distance to the light, as the variant
    // pass does, reads both; the shipped "shadowmap.frag" reads neither.
    workspace.write("shader/distance.frag", R"(#version 430 core
in vec3 worldPosition;
uniform vec2 nearFarPlane;
uniform vec3 lightPosition;
void main()
{
    gl_FragDepth = length(worldPosition - lightPosition) / nearFarPlane.y;
}
)");
    BaseLight* light = pointLight();
    PixelShader* program = nullptr;
    {
        LogCapture silence;
        program = app.shaderManager.addShader("shadowmap", "shadowmap.vert", "shadowmap.geom", "distance.frag", light);
    }
    ASSERT_NE(program, nullptr);
    initShadowMap();
    renderer.renderShadowMap();

    glm::vec2 planes(-1.0f);
    glGetUniformfv(program->program, glGetUniformLocation(program->program, "nearFarPlane"), glm::value_ptr(planes));
    glm::vec3 position(-1.0f);
    glGetUniformfv(program->program, glGetUniformLocation(program->program, "lightPosition"),
                   glm::value_ptr(position));
    EXPECT_EQ(planes, glm::vec2(0.1f, 40.0f));
    EXPECT_EQ(position, lightInRoom);
    EXPECT_EQ(takeGlError(), static_cast<unsigned int>(GL_NO_ERROR));
}

TEST_F(ShadowPassTest, EachFaceHoldsTheRoomsDepthWhereTheMainPassLooks)
{
    ASSERT_NE(addShadowProgram(pointLight()), nullptr);
    ASSERT_NO_FATAL_FAILURE(addRoom());
    initShadowMap();
    renderer.renderShadowMap();

    const std::vector<float> depths = sampleFaceCentres();
    ASSERT_EQ(depths.size(), 6u);
    for (int face = 0; face < 6; ++face) {
        const float expected = face == emptyFace ? 1.0f : storedDepth(roomDistanceAlongFace[face]);
        EXPECT_NEAR(depths[face], expected, 2e-5f) << "face " << face;
    }
    EXPECT_EQ(takeGlError(), static_cast<unsigned int>(GL_NO_ERROR));
}

TEST_F(ShadowPassTest, AfterThePassTheWindowIsTheTargetAgain)
{
    ASSERT_NE(addShadowProgram(pointLight()), nullptr);
    ASSERT_NO_FATAL_FAILURE(addRoom());
    initShadowMap();

    for (const auto& [width, height] : {std::pair{256, 256}, std::pair{300, 170}}) {
        glfwSetWindowSize(app.window.handle, width, height);
        renderer.renderShadowMap();
        EXPECT_EQ(currentViewport(), windowViewport());
        EXPECT_EQ(currentViewport(), (Viewport{0, 0, width, height}));
        EXPECT_EQ(integerState(GL_DRAW_FRAMEBUFFER_BINDING), 0);
        EXPECT_EQ(integerState(GL_READ_FRAMEBUFFER_BINDING), 0);
        EXPECT_EQ(integerState(GL_CURRENT_PROGRAM), 0);
        LogCapture log;
        EXPECT_EQ(PixelShader::getActive(), nullptr);
    }
    EXPECT_EQ(takeGlError(), static_cast<unsigned int>(GL_NO_ERROR));
}

TEST_F(ShadowPassTest, WithoutTheShadowProgramThePassIsSkipped)
{
    pointLight();
    {
        LogCapture log;
        renderer.initShadowMap();
        EXPECT_EQ(log.lines(), (Lines{"INFO TextureManager: Cubemap 'fboCubemap' added successfully as 'fboCubemap'",
                                      "INFO FramebufferObject: FBO is complete",
                                      "ERROR ShaderManager: Shader 'shadowmap' does not exist in map"}));
    }
    EXPECT_EQ(renderer.shadowProgram, nullptr);
    expectSkippedPass();
}

TEST_F(ShadowPassTest, AShadowProgramWithoutALightIsSkipped)
{
    ASSERT_NE(addShadowProgram(nullptr), nullptr);
    initShadowMap();
    expectSkippedPass();
}

TEST_F(ShadowPassTest, AShadowProgramWithoutTheFaceMatricesGetsNoneOfThem)
{
    // Without "cubemapMatrix" its location is -1; the six face matrices must
    // not land on the locations after it. Five matrices of the program's own
    // hold those locations, so a write there would be taken without a GL
    // error and show in their values.
    workspace.write("shader/no_faces.geom", R"(#version 430 core
layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;
layout(location = 0) uniform mat4 held[5];
uniform vec2 nearFarPlane;
uniform vec3 lightPosition;
in vec3 vertexWorldPosition[];
void main()
{
    for (int corner = 0; corner < 3; ++corner) {
        gl_Position = held[0] * held[1] * held[2] * held[3] * held[4] *
                      vec4(vertexWorldPosition[corner] - lightPosition, nearFarPlane.y);
        EmitVertex();
    }
}
)");
    PixelShader* program = nullptr;
    {
        LogCapture silence;
        program = app.shaderManager.addShader("shadowmap", "shadowmap.vert", "no_faces.geom", "shadowmap.frag",
                                              pointLight());
    }
    ASSERT_NE(program, nullptr);
    const glm::mat4 held(2.0f);
    program->bind();
    for (int location = 0; location < 5; ++location) {
        PixelShader::setUniformMatrix4fv(location, glm::value_ptr(held));
    }
    program->unbind();
    initShadowMap();
    renderer.renderShadowMap();
    EXPECT_EQ(takeGlError(), static_cast<unsigned int>(GL_NO_ERROR));
    for (int location = 0; location < 5; ++location) {
        glm::mat4 value(0.0f);
        glGetUniformfv(program->program, location, glm::value_ptr(value));
        EXPECT_EQ(value, held) << "location " << location;
    }
    glm::vec3 position(-1.0f);
    glGetUniformfv(program->program, glGetUniformLocation(program->program, "lightPosition"),
                   glm::value_ptr(position));
    EXPECT_EQ(position, lightInRoom);
}
