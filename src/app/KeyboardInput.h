#pragma once

struct GLFWwindow;
class Window;

// Binds the Escape key to the end of the frame loop.
class KeyboardInput {
public:
    GLFWwindow* handle = nullptr;

    void bind(const Window& window);
    // GLFW key callback: an Escape press clears the window's running flag;
    // releases, repeats and every other key are ignored.
    static void onKey(GLFWwindow* window, int key, int scancode, int action, int mods);
};
