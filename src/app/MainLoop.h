#pragma once

// The frame loop: update and render until Escape clears the running flag.
class MainLoop {
public:
    static void run();
};
