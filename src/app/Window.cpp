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

// The monitor's video mode closest to the size, as GLFW itself picks it:
// the least squared distance in width and height, then the highest refresh
// rate. Null when the monitor lists none.
const GLFWvidmode* closestVideoMode(GLFWmonitor* monitor, int width, int height)
{
    int count = 0;
    const GLFWvidmode* modes = glfwGetVideoModes(monitor, &count);
    const GLFWvidmode* closest = nullptr;
    double closestDistance = 0.0;
    for (int m = 0; m < count; ++m) {
        // In doubles: sizes near the 32-bit limit would overflow integers.
        const double dx = static_cast<double>(modes[m].width) - width;
        const double dy = static_cast<double>(modes[m].height) - height;
        const double distance = dx * dx + dy * dy;
        if (closest == nullptr || distance < closestDistance ||
            (distance == closestDistance && modes[m].refreshRate > closest->refreshRate)) {
            closest = &modes[m];
            closestDistance = distance;
        }
    }
    return closest;
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
    int width = settings.getInt("WIDTH");
    int height = settings.getInt("HEIGHT");
    GLFWmonitor* monitor = fullScreen != 0 ? glfwGetPrimaryMonitor() : nullptr;

    // GLFW asserts on negative sizes instead of failing. Full screen, the
    // size only picks a video mode; the window is asked for at that mode's
    // size, because without a window manager to fit it to the monitor it
    // keeps the size it was created with. Xlib, xcb and Mesa crash or exit
    // on their own for windows far beyond what a GL 4.3 implementation must
    // render to, so such windowed sizes are turned away before the call.
    const bool sizeIsPositive = width > 0 && height > 0;
    if (sizeIsPositive && monitor != nullptr) {
        if (const GLFWvidmode* mode = closestVideoMode(monitor, width, height)) {
            width = mode->width;
            height = mode->height;
        }
    }
    const bool fitsTheDriver = width <= largestWindowSide && height <= largestWindowSide;
    if (sizeIsPositive && (monitor != nullptr || fitsTheDriver)) {
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

void Window::fail(const char* message)
{
    glfwTerminate();
    std::fprintf(stderr, "%s\n", message);
    waitForKeyOnConsole();
    std::exit(1);
}
