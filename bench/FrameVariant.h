#pragma once

// One way of producing the same frame: the renderer itself or one of the
// hand-written baselines. The frame driver times its three steps.
class FrameVariant {
public:
    virtual ~FrameVariant() = default;

    virtual const char* name() const = 0;
    // Advances the scene by the fixed frame step.
    virtual void update(double deltaSeconds) = 0;
    // Renders the point light's depth into the shadow cube map.
    virtual void renderShadowPass() = 0;
    // Clears the window and draws the scene into it.
    virtual void renderMainPass() = 0;
};
