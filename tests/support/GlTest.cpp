#include "GlTest.h"

#include "app/Application.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

GLFWwindow* hiddenWindow = nullptr;
std::string lastGlfwError = "none reported";

void keepGlfwError(int code, const char* description)
{
    lastGlfwError = std::to_string(code) + " " + description;
}

GLFWwindow* createHiddenWindow()
{
    glfwSetErrorCallback(keepGlfwError);
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

// The suite shares one X server among parallel tests, and under heavy load
// the server has now and then refused a context that the next try got. Only
// a refusal that lasts is a failure; it ends the process at once, since the
// fixtures' own set-up and tear-down call GL without a context to check.
GLFWwindow* createHiddenWindowOrExit()
{
    constexpr int tries = 4;
    for (int attempt = 1; attempt <= tries; ++attempt) {
        if (GLFWwindow* window = createHiddenWindow()) {
            return window;
        }
        std::fprintf(stderr, "no OpenGL 4.3 core context on try %d of %d (GLFW: %s)\n", attempt, tries,
                     lastGlfwError.c_str());
        glfwTerminate();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    std::fprintf(stderr, "GL tests need an X display with OpenGL 4.3 core\n");
    std::exit(EXIT_FAILURE);
}

} // namespace

void GlTest::SetUpTestSuite()
{
    if (hiddenWindow == nullptr) {
        hiddenWindow = createHiddenWindowOrExit();
    }
    app.window.handle = hiddenWindow;
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
