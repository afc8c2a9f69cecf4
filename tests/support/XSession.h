#pragma once

#include "RgbImage.h"

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>

struct _XDisplay;

// A client connection to the X server that drives other programs' windows
// as a user would: keys through the XTest extension, close requests as a
// window manager sends them, pictures of what the window shows.
class XSession {
public:
    using WindowId = unsigned long;

    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool isOpen() const { return display != nullptr; }

    // The viewable top-level window of the process, or 0 after the timeout.
    WindowId waitForWindowOf(pid_t pid, std::chrono::milliseconds timeout);
    std::string title(WindowId window);
    std::pair<int, int> size(WindowId window);
    std::pair<int, int> screenSize();
    RgbImage capture(WindowId window);
    // Captures the window until a picture satisfies shows; false after the
    // timeout.
    bool waitForPicture(WindowId window, const std::function<bool(const RgbImage&)>& shows,
                        std::chrono::milliseconds timeout);

    // Focus 0 sends the keyboard nowhere.
    void focus(WindowId window);
    void keyDown(const char* keyName);
    void keyUp(const char* keyName);
    void pressKey(const char* keyName);
    // The WM_DELETE_WINDOW message a window manager sends for the title bar's
    // close button.
    void requestClose(WindowId window);

private:
    WindowId findWindowOf(WindowId parent, pid_t pid);
    void sendKey(const char* keyName, bool down);

    _XDisplay* display = nullptr;
};
