#pragma once

#include <utility>

struct _XDisplay;
struct GLFWwindow;

// A second client of the X server that does to another program's top-level
// window what a window manager does for the user: resize it, iconify it (the
// window is unmapped and its WM_STATE says Iconic) and restore it. The test
// server runs no window manager, so nothing else would.
class StandInWindowManager {
public:
    using WindowId = unsigned long;

    StandInWindowManager();
    ~StandInWindowManager();
    StandInWindowManager(const StandInWindowManager&) = delete;
    StandInWindowManager& operator=(const StandInWindowManager&) = delete;

    // The X window behind a GLFW window of this process.
    static WindowId windowOf(GLFWwindow* window);

    bool isOpen() const { return display != nullptr; }

    void resize(WindowId window, int width, int height);
    void iconify(WindowId window);
    void restore(WindowId window);
    // The size the server gives the window now.
    std::pair<int, int> size(WindowId window);
    bool isMapped(WindowId window);

private:
    void setWindowState(WindowId window, long state);

    _XDisplay* display = nullptr;
};
