#pragma once

#include "FrameVariant.h"

class Renderer;

// The renderer's own frame: Renderer::update, then the two passes that
// Renderer::render runs before its swap.
class RendererVariant : public FrameVariant {
public:
    explicit RendererVariant(Renderer& renderer);

    const char* name() const override { return "renderer"; }
    void update(double deltaSeconds) override;
    void renderShadowPass() override;
    void renderMainPass() override;

private:
    Renderer& renderer;
};
