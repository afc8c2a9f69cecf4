#include "gpu/FramebufferObject.h"

#include "app/Application.h"

#include "GlTest.h"
#include "LogCapture.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <array>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using Viewport = GlTest::Viewport;

class FramebufferObjectTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        glfwGetWindowSize(app.window.handle, &windowWidth, &windowHeight);
    }

    void TearDown() override
    {
        app.textureManager.cleanUp();
        glfwSetWindowSize(app.window.handle, windowWidth, windowHeight);
    }

    static Texture* depthCubemap(const std::string& name, int size)
    {
        return app.textureManager.addCubemap(name, size, size, 2, "cubeMap", GL_DEPTH_COMPONENT24,
                                             GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, GL_LINEAR, GL_LINEAR,
                                             GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE);
    }

    static Texture* colourCubemap(const std::string& name, int size)
    {
        return app.textureManager.addCubemap(name, size, size, 4, "colourMap", GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE,
                                             GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE,
                                             GL_CLAMP_TO_EDGE);
    }

    int windowWidth = 0;
    int windowHeight = 0;
};

GLint boundFramebuffer()
{
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    return bound;
}

GLint attachmentParameter(const FramebufferObject& fbo, GLenum attachment, GLenum parameter)
{
    glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebufferId);
    GLint value = -1;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, attachment, parameter, &value);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return value;
}

} // namespace

TEST_F(FramebufferObjectTest, ShadowCubemapIsALayeredDepthTargetWithItsOwnViewport)
{
    Texture* shadowMap = depthCubemap("fboCubemap", 2048);
    FramebufferObject fbo{app.textureManager};
    LogCapture log;
    fbo.create(shadowMap, GL_DEPTH_ATTACHMENT);

    EXPECT_EQ(log.lines(), Lines{"INFO FramebufferObject: FBO is complete"});
    EXPECT_EQ(boundFramebuffer(), 0);
    EXPECT_EQ(attachmentParameter(fbo, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
              static_cast<GLint>(shadowMap->id));
    EXPECT_EQ(attachmentParameter(fbo, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_LAYERED), GL_TRUE);

    // A size unlike the texture's and the window's first one, so unbind has
    // to ask the window again.
    glfwSetWindowSize(app.window.handle, 320, 200);
    int width = 0, height = 0;
    glfwGetFramebufferSize(app.window.handle, &width, &height);
    ASSERT_EQ(width, 320);
    ASSERT_EQ(height, 200);

    fbo.bind();
    EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(fbo.framebufferId));
    EXPECT_EQ(currentViewport(), (Viewport{0, 0, 2048, 2048}));
    fbo.unbind();
    EXPECT_EQ(boundFramebuffer(), 0);
    EXPECT_EQ(currentViewport(), (Viewport{0, 0, 320, 200}));
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(FramebufferObjectTest, ColourTargetsShareOneRegisteredDepthCubemap)
{
    FramebufferObject first{app.textureManager};
    FramebufferObject second{app.textureManager};
    LogCapture log;
    first.create(colourCubemap("sceneColour", 128), GL_COLOR_ATTACHMENT0);
    second.create(colourCubemap("reflection", 128), GL_COLOR_ATTACHMENT0);

    const Texture* depthMap = app.textureManager.getTexture("fboDepthmap");
    ASSERT_NE(depthMap, nullptr);
    EXPECT_EQ(depthMap->textureUnit, 3);
    EXPECT_EQ(depthMap->samplerName, "depthMap");
    EXPECT_EQ(depthMap->width, 128);
    EXPECT_EQ(depthMap->height, 128);
    for (const FramebufferObject* fbo : {&first, &second}) {
        EXPECT_EQ(attachmentParameter(*fbo, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
                  static_cast<GLint>(depthMap->id));
    }
    EXPECT_EQ(log.lines(), (Lines{"INFO TextureManager: Cubemap 'sceneColour' added successfully as 'sceneColour'",
                                  "INFO TextureManager: Cubemap 'fboDepthmap' added successfully as 'fboDepthmap'",
                                  "INFO FramebufferObject: FBO is complete",
                                  "INFO TextureManager: Cubemap 'reflection' added successfully as 'reflection'",
                                  "INFO TextureManager: Texture 'fboDepthmap' already exists",
                                  "INFO FramebufferObject: FBO is complete"}));
    EXPECT_EQ(boundFramebuffer(), 0);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(FramebufferObjectTest, UnknownAttachmentIsReportedAndCreationGoesOn)
{
    // A depth format cannot serve as colour, so the status is reported too.
    Texture* shadowMap = depthCubemap("fboCubemap", 64);
    FramebufferObject fbo{app.textureManager};
    LogCapture log;
    fbo.create(shadowMap, GL_COLOR_ATTACHMENT1);

    EXPECT_EQ(log.lines(), (Lines{"ERROR FramebufferObject: Unknown attachment",
                                  "ERROR FramebufferObject: GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT"}));
    EXPECT_EQ(boundFramebuffer(), 0);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo.framebufferId);
    GLint readBuffer = -1;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(readBuffer, GL_NONE);
}
