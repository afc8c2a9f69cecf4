#include "XSession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <thread>

namespace {

bool hasPid(Display* display, Window window, pid_t pid)
{
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", True);
    if (pidAtom == None) {
        return false;
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const bool read = XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                                         &count, &remaining, &data) == Success;
    const bool matches = read && data != nullptr && count == 1 &&
                         static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid;
    if (data != nullptr) {
        XFree(data);
    }
    return matches;
}

bool isViewable(Display* display, Window window)
{
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

std::uint8_t channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1UL) == 0) {
        ++shift;
    }
    const unsigned long maximum = mask >> shift;
    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255UL / maximum);
}

// Tests share one X server and run in parallel, so a window met while walking
// the tree may be destroyed before the next request about it. Xlib's default
// handler would end the process; a failed request already reads as "not
// found" or an empty picture to the callers here.
int ignoreError(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

XSession::XSession()
    : display(XOpenDisplay(nullptr))
{
    XSetErrorHandler(ignoreError);
}

XSession::~XSession()
{
    if (display != nullptr) {
        XCloseDisplay(display);
    }
}

XSession::WindowId XSession::findWindowOf(WindowId parent, pid_t pid)
{
    Window root = 0;
    Window parentOfParent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, parent, &root, &parentOfParent, &children, &count) == 0) {
        return 0;
    }
    WindowId found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        if (hasPid(display, children[i], pid) && isViewable(display, children[i])) {
            found = children[i];
        } else {
            found = findWindowOf(children[i], pid);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

XSession::WindowId XSession::waitForWindowOf(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (const WindowId window = findWindowOf(DefaultRootWindow(display), pid)) {
            return window;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

std::string XSession::title(WindowId window)
{
    XTextProperty property{};
    std::string result;
    if (XGetWMName(display, window, &property) != 0 && property.value != nullptr) {
        result.assign(reinterpret_cast<const char*>(property.value), property.nitems);
        XFree(property.value);
    }
    return result;
}

std::pair<int, int> XSession::size(WindowId window)
{
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    return {attributes.width, attributes.height};
}

std::pair<int, int> XSession::screenSize()
{
    return {DisplayWidth(display, DefaultScreen(display)), DisplayHeight(display, DefaultScreen(display))};
}

RgbImage XSession::capture(WindowId window)
{
    const auto [width, height] = size(window);
    RgbImage image;
    XImage* picture = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);
    if (picture == nullptr) {
        return image;
    }
    image.width = width;
    image.height = height;
    image.rgb.reserve(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(picture, x, y);
            image.rgb.push_back(channel(pixel, picture->red_mask));
            image.rgb.push_back(channel(pixel, picture->green_mask));
            image.rgb.push_back(channel(pixel, picture->blue_mask));
        }
    }
    XDestroyImage(picture);
    return image;
}

bool XSession::waitForPicture(WindowId window, const std::function<bool(const RgbImage&)>& shows,
                              std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const RgbImage picture = capture(window);
        if (picture.width > 0 && shows(picture)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void XSession::focus(WindowId window)
{
    if (window != None) {
        XRaiseWindow(display, window);
    }
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
}

void XSession::sendKey(const char* keyName, bool down)
{
    const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(keyName));
    XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
    XSync(display, False);
}

void XSession::keyDown(const char* keyName)
{
    sendKey(keyName, true);
}

void XSession::keyUp(const char* keyName)
{
    sendKey(keyName, false);
}

void XSession::pressKey(const char* keyName)
{
    keyDown(keyName);
    keyUp(keyName);
}

void XSession::requestClose(WindowId window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}
