#pragma once

#include "render/FrameClock.h"

// Measures the frame step on GLFW's clock.
class Timer : public FrameClock {
public:
    double time = 0.0;
    // The step handed to every animation update: time minus previousTime.
    double delta = 0.0;
    double previousTime = 0.0;

    void reset();
    double frameStep() const override { return delta; }
    // Sets the GLFW clock to zero; the fields are left as they are.
    void start() override;
    void tick() override;
};
