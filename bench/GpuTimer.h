#pragma once

// Measures the GPU time of the commands between begin and end with a
// GL_TIME_ELAPSED query. Needs a current context from create to release.
class GpuTimer {
public:
    void create();
    void release();
    void begin() const;
    void end() const;
    // Waits for the result of the last begin/end pair; milliseconds.
    double elapsedMilliseconds() const;

private:
    unsigned int query = 0;
};
