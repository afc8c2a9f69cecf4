#include "GlTest.h"

#include "app/Application.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

namespace {

GLFWwindow* hiddenWindow = nullptr;

GLFWwindow* createHiddenWindow()
{
    if (!glfwInit()) {
        return nullptr;
    }
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    glfwWindowHint(GLFW_SAMPLES, 0);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    GLFWwindow* window = glfwCreateWindow(256, 256, "Glimmerhall test", nullptr, nullptr);
    if (window == nullptr) {
        return nullptr;
    }
    glfwMakeContextCurrent(window);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        return nullptr;
    }
    // GLEW's initialisation may leave a harmless GL_INVALID_ENUM behind.
    while (glGetError() != GL_NO_ERROR) {
    }
    Window::setFixedState();
    return window;
}

} // namespace

void GlTest::SetUpTestSuite()
{
    if (hiddenWindow == nullptr) {
        hiddenWindow = createHiddenWindow();
    }
    app.window.handle = hiddenWindow;
}

void GlTest::SetUp()
{
    ASSERT_NE(hiddenWindow, nullptr) << "no OpenGL 4.3 core context (is an X display set?)";
}

GLFWwindow* GlTest::context()
{
    return hiddenWindow;
}

unsigned int GlTest::takeGlError()
{
    const GLenum first = glGetError();
    while (glGetError() != GL_NO_ERROR) {
    }
    return first;
}

GlTest::Viewport GlTest::currentViewport()
{
    Viewport value{};
    glGetIntegerv(GL_VIEWPORT, value.data());
    return value;
}

std::set<unsigned int> GlTest::liveShadersAndPrograms()
{
    std::set<unsigned int> live;
    for (GLuint name = 1; name <= 256; ++name) {
        if (glIsShader(name) || glIsProgram(name)) {
            live.insert(name);
        }
    }
    return live;
}
