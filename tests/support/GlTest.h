#pragma once

#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <array>

struct GLFWwindow;

// Base fixture for tests that need the real driver: a hidden 4.3 core window
// made once per process and set as the application's window, with the fixed
// GL state of the program. Every test runs in a fresh working directory.
class GlTest : public ::testing::Test {
public:
    using Viewport = std::array<int, 4>;

    // GL_VIEWPORT: x, y, width, height.
    static Viewport currentViewport();

protected:
    static void SetUpTestSuite();
    void SetUp() override;

    static GLFWwindow* context();
    // The first GL error raised since the last call, or GL_NO_ERROR.
    static unsigned int takeGlError();

    TempDirectory workspace;
};
