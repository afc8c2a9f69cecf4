#pragma once

// The per-run render object: the frame's update and render steps.
class Renderer {
public:
    void init();
    // Polls events, advances everything by the last frame step, then ticks
    // the timer.
    static void update();
    static void render();
};
