#pragma once

struct GLFWwindow;
class Settings;

// The program's one window with its OpenGL 4.3 core context.
class Window {
public:
    GLFWwindow* handle = nullptr;
    // The frame loop runs while this is true; only the Escape key clears it.
    bool running = false;

    // Opens the window described by the settings, makes its context current,
    // loads the GL entry points and sets the fixed GL state. Any failure ends
    // the process with status 1.
    void init(const Settings& settings);
    // The GLFW part of init: library, hints, window, context.
    void create(const Settings& settings);
    // The GL state that holds for the whole run.
    static void setFixedState();

private:
    [[noreturn]] static void fail(const char* message);
};
