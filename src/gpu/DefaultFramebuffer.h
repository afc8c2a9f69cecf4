#pragma once

// The window's own framebuffer, reached through the GL context current on
// this thread: the program's one window.
class DefaultFramebuffer {
public:
    // Clears colour and depth of whatever framebuffer is bound.
    static void clear();
    // Sets the viewport to the window's current framebuffer size.
    static void resetViewport();
    // Presents the frame drawn into the back buffer.
    static void swapBuffers();
};
