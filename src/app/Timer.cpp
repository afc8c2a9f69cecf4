#include "app/Timer.h"

#include <GLFW/glfw3.h>

void Timer::reset()
{
    time = 0.0;
    delta = 0.0;
    previousTime = 0.0;
}

void Timer::start()
{
    glfwSetTime(0.0);
}

void Timer::tick()
{
    previousTime = time;
    time = glfwGetTime();
    delta = time - previousTime;
}
