#include "app/KeyboardInput.h"

#include "app/Application.h"

#include <GLFW/glfw3.h>

void KeyboardInput::bind(const Window& window)
{
    handle = window.handle;
    glfwSetKeyCallback(handle, onKey);
}

void KeyboardInput::onKey(GLFWwindow*, int key, int, int action, int)
{
    if (key == GLFW_KEY_ESCAPE && action == GLFW_PRESS) {
        app.window.running = false;
    }
}
