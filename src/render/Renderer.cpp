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
    // The frame step measured by the last tick; 0 in the first frame.
    const double delta = app.timer.delta;
    if (app.cameraAnimation != nullptr) {
        app.cameraAnimation->update(delta);
    }
    app.assetManager.lights.updateLights(delta);
    app.assetManager.updateAll(delta);
    app.timer.tick();
}

void Renderer::render()
{
    Window::clear();
    app.assetManager.drawAll();
    app.window.swapBuffers();
}
