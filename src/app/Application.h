#pragma once

#include "animation/CameraAnimation.h"
#include "app/KeyboardInput.h"
#include "app/MainLoop.h"
#include "app/Settings.h"
#include "app/Timer.h"
#include "app/Window.h"
#include "gpu/ShaderManager.h"
#include "gpu/TextureManager.h"
#include "scene/AssetManager.h"

#include <glm/mat4x4.hpp>

#include <memory>
#include <string>

// The process-wide objects, constructed empty before the entry point runs,
// and the start-up and shutdown sequences around the frame loop.
class Application {
public:
    const std::string assetDirectory{"res/assets/"};
    const std::string textureDirectory{"res/texture/"};
    const std::string shaderDirectory{"shader/"};
    Settings settings;
    Window window;
    Timer timer;
    ShaderManager shaderManager{shaderDirectory};
    TextureManager textureManager{textureDirectory};
    AssetManager assetManager;
    KeyboardInput keyboard;
    // Null until start-up has loaded the scene.
    std::unique_ptr<CameraAnimation> cameraAnimation;
    MainLoop mainLoop;

    Application() = default;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up, frame loop and shutdown; returns the exit status.
    int run();

    // The camera's perspective projection: 60 degrees vertical field of view,
    // near 0.1, far 100, aspect WIDTH / HEIGHT from the settings.
    static glm::mat4 cameraProjection(const Settings& settings);

private:
    void startUp();
    void shutDown();
};

extern Application app;
