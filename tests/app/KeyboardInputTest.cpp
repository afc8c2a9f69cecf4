#include "app/Application.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

TEST(KeyboardInput, OnlyAnEscapePressStopsTheLoop)
{
    app.window.running = true;
    KeyboardInput::onKey(nullptr, GLFW_KEY_ESCAPE, 9, GLFW_RELEASE, 0);
    KeyboardInput::onKey(nullptr, GLFW_KEY_ESCAPE, 9, GLFW_REPEAT, 0);
    KeyboardInput::onKey(nullptr, GLFW_KEY_Q, 24, GLFW_PRESS, GLFW_MOD_CONTROL);
    KeyboardInput::onKey(nullptr, GLFW_KEY_ENTER, 36, GLFW_PRESS, 0);
    EXPECT_TRUE(app.window.running);

    KeyboardInput::onKey(nullptr, GLFW_KEY_ESCAPE, 0, GLFW_PRESS, GLFW_MOD_SHIFT);
    EXPECT_FALSE(app.window.running);
}
