#pragma once

#include "animation/CameraAnimation.h"
#include "app/KeyboardInput.h"
#include "app/MainLoop.h"
#include "app/Settings.h"
#include "app/Timer.h"
#include "app/Window.h"
#include "base/DataDirectories.h"
#include "gpu/ShaderManager.h"
#include "gpu/TextureManager.h"
#include "render/Renderer.h"
#include "scene/AssetManager.h"

#include <glm/mat4x4.hpp>

#include <functional>
#include <memory>
#include <string>

// The process-wide objects, constructed empty before the entry point runs,
// and the one start-up and the one shutdown around the frame loop, which the
// program, the tests and the benchmark all go through.
class Application {
public:
    // The start-up's steps in their order, each complete before the next.
    enum class Step { Settings, Window, Lights, Shaders, Assets, Camera, ShadowMap };
    // Runs one step; the benchmark passes one that also times it.
    using StepRunner = std::function<void(Step step, const std::function<void()>& run)>;

    const std::string& assetDirectory{DataDirectories::assets};
    const std::string& textureDirectory{DataDirectories::textures};
    const std::string& shaderDirectory{DataDirectories::shaders};
    Settings settings;
    Window window;
    Timer timer;
    ShaderManager shaderManager{shaderDirectory,
                                [this](const std::string& name) { return assetManager.lights.getLight(name); }};
    TextureManager textureManager{textureDirectory};
    AssetManager assetManager;
    KeyboardInput keyboard;
    // Null until start-up has loaded the scene.
    std::unique_ptr<CameraAnimation> cameraAnimation;
    MainLoop mainLoop;
    // The render object with its shadow pass, made last at start-up; null
    // before and after.
    std::unique_ptr<Renderer> renderer;

    // Points the lower layers' process-wide objects at these.
    Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up, frame loop and shutdown; returns the exit status.
    int run();

    // The whole start-up: settings.txt, the window with its context, then
    // the scene. A window that cannot be opened ends the process.
    void startUp(int shadowMapSize, const StepRunner& runStep = runEach);
    // The scene on the GL context that is current: the lights, the program
    // catalogue, the models, the camera and the renderer, whose shadow cube
    // map has faces of shadowMapSize texels. The class clocks start at 0.
    void setUpScene(int shadowMapSize, const StepRunner& runStep = runEach);
    // Releases, while the context still exists, everything start-up made
    // that owns GL objects: the renderer, the camera, the models and the
    // lights, the textures, the programs.
    void shutDown();

    // The camera's perspective projection: 60 degrees vertical field of view,
    // near 0.1, far 100, aspect WIDTH / HEIGHT from the settings.
    static glm::mat4 cameraProjection(const Settings& settings);

private:
    static void runEach(Step step, const std::function<void()>& run);
};

extern Application app;
