#pragma once

// The clock a frame's updates advance by: the step measured by the last
// tick, a tick once a frame, and a start before the first.
class FrameClock {
public:
    virtual ~FrameClock() = default;

    // The frame step in seconds; 0 before the first tick.
    virtual double frameStep() const = 0;
    virtual void start() = 0;
    virtual void tick() = 0;
};
