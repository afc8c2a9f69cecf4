#include "app/MainLoop.h"

#include "app/Application.h"
#include "render/Renderer.h"

void MainLoop::run(Renderer& renderer)
{
    while (app.window.running) {
        renderer.update();
        renderer.render();
    }
}
