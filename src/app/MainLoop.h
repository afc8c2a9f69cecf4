#pragma once

class Renderer;

// The frame loop: update and render until Escape clears the running flag.
class MainLoop {
public:
    static void run(Renderer& renderer);
};
