#pragma once

// Measures the frame step on GLFW's clock.
class Timer {
public:
    double time = 0.0;
    // The step handed to every animation update: time minus previousTime.
    double delta = 0.0;
    double previousTime = 0.0;

    void reset();
    // Sets the GLFW clock to zero; the fields are left as they are.
    static void start();
    void tick();
};
