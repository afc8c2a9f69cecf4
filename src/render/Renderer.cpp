#include "render/Renderer.h"

#include "app/Application.h"

#include <GLFW/glfw3.h>

void Renderer::init()
{
    app.timer.start();
}

void Renderer::update()
{
    glfwPollEvents();
    app.timer.tick();
}

void Renderer::render()
{
    Window::clear();
    app.window.swapBuffers();
}
