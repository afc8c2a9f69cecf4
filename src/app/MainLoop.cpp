#include "app/MainLoop.h"

#include "app/Application.h"
#include "render/Renderer.h"

void MainLoop::run()
{
    Renderer renderer;
    renderer.init();
    while (app.window.running) {
        renderer.update();
        renderer.render();
    }
}
