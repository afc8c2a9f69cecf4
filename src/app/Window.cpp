#include "app/Window.h"

#include "app/Settings.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>
#include <termios.h>
#include <unistd.h>

namespace {

// The smallest GL_MAX_VIEWPORT_DIMS a GL 4.3 implementation may have.
constexpr int largestWindowSide = 16384;

// The console equivalent of "pause": wait for one key press, but only when
// someone can give one. Without a terminal on standard input the process
// must not hang.
void waitForKeyOnConsole()
{
    if (!isatty(STDIN_FILENO)) {
        return;
    }
    std::fputs("Press any key to continue . . .\n", stderr);
    termios saved{};
    const bool canRestore = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (canRestore) {
        termios raw = saved;
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    char key = 0;
    [[maybe_unused]] const ssize_t ignored = read(STDIN_FILENO, &key, 1);
    if (canRestore) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    }
}

} // namespace

void Window::init(const Settings& settings)
{
    running = true;
    create(settings);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        fail("Failed to initialize GLEW");
    }
    setFixedState();
}

void Window::create(const Settings& settings)
{
    if (!glfwInit()) {
        fail("failed to initialize GLFW");
    }
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_SAMPLES, 0);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);

    const int fullScreen = settings.getInt("FULLSCREEN");
    const int width = settings.getInt("WIDTH");
    const int height = settings.getInt("HEIGHT");
    GLFWmonitor* monitor = fullScreen != 0 ? glfwGetPrimaryMonitor() : nullptr;

    // GLFW asserts on negative sizes instead of failing, and Xlib, xcb and
    // Mesa crash or exit on their own for sizes far beyond what a GL 4.3
    // implementation must render to, so such sizes are turned away before
    // the call.
    const bool sizeIsValid = width > 0 && height > 0 && width <= largestWindowSide && height <= largestWindowSide;
    if (sizeIsValid) {
        handle = glfwCreateWindow(width, height, "Glimmerhall", monitor, nullptr);
    }
    if (handle == nullptr) {
        fail("Failed to open GLFW window.");
    }
    glfwSetInputMode(handle, GLFW_CURSOR, GLFW_CURSOR_NORMAL);
    glfwMakeContextCurrent(handle);
}

void Window::setFixedState()
{
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    glDepthFunc(GL_LESS);
    glEnable(GL_CULL_FACE);
    glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
}

void Window::clear()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void Window::swapBuffers() const
{
    glfwSwapBuffers(handle);
}

void Window::resetViewport() const
{
    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(handle, &width, &height);
    glViewport(0, 0, width, height);
}

void Window::fail(const char* message)
{
    glfwTerminate();
    std::fprintf(stderr, "%s\n", message);
    waitForKeyOnConsole();
    std::exit(1);
}
