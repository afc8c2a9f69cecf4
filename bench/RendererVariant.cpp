#include "RendererVariant.h"

#include "app/Application.h"
#include "render/Renderer.h"

RendererVariant::RendererVariant(Renderer& renderer) : renderer(renderer)
{
}

void RendererVariant::update(double deltaSeconds)
{
    // Renderer::update hands the animations the step measured by the last
    // tick and then ticks again; pinning the step first makes every run
    // animate the same frames whatever the machine's speed.
    app.timer.delta = deltaSeconds;
    renderer.update();
}

void RendererVariant::renderShadowPass()
{
    renderer.renderShadowMap();
}

void RendererVariant::renderMainPass()
{
    Renderer::renderMainPass();
}
