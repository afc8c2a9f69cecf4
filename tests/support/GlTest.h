#pragma once

#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

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

    static GLFWwindow* context();
    // The first GL error raised since the last call, or GL_NO_ERROR.
    static unsigned int takeGlError();
    // The names of every live shader and program object. Mesa hands out the
    // lowest free names, so every object a build makes falls inside the
    // range searched.
    static std::set<unsigned int> liveShadersAndPrograms();

    TempDirectory workspace;
};
