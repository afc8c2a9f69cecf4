#include "StandInWindowManager.h"

#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

StandInWindowManager::StandInWindowManager()
    : display(XOpenDisplay(nullptr))
{
}

StandInWindowManager::~StandInWindowManager()
{
    if (display != nullptr) {
        XCloseDisplay(display);
    }
}

StandInWindowManager::WindowId StandInWindowManager::windowOf(GLFWwindow* window)
{
    return glfwGetX11Window(window);
}

void StandInWindowManager::resize(WindowId window, int width, int height)
{
    XResizeWindow(display, window, static_cast<unsigned int>(width), static_cast<unsigned int>(height));
    XSync(display, False);
}

// The ICCCM order: the manager withdraws the window from the screen and then
// tells its client through WM_STATE, which GLFW reads as iconified.
void StandInWindowManager::iconify(WindowId window)
{
    XUnmapWindow(display, window);
    setWindowState(window, IconicState);
    XSync(display, False);
}

void StandInWindowManager::restore(WindowId window)
{
    XMapWindow(display, window);
    setWindowState(window, NormalState);
    XSync(display, False);
}

std::pair<int, int> StandInWindowManager::size(WindowId window)
{
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        return {0, 0};
    }
    return {attributes.width, attributes.height};
}

bool StandInWindowManager::isMapped(WindowId window)
{
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state != IsUnmapped;
}

void StandInWindowManager::setWindowState(WindowId window, long state)
{
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    // WM_STATE holds the state and the icon window, which this manager never
    // makes.
    const long value[2] = {state, None};
    XChangeProperty(display, window, wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(value), 2);
}
