#pragma once

#include "SceneHandles.h"

#include "app/Application.h"

class PixelShader;

// How one run's scene differs from the shipped one; the defaults are the
// renderer's.
struct SceneConfig {
    int shadowMapSize = Renderer::defaultShadowMapSize;
    // How many times the steps model is drawn: the shipped one plus copies.
    int stepsCount = 1;
};

// Milliseconds spent in each start-up step, in the renderer's order.
struct StartupTimes {
    double settings = 0.0;
    double window = 0.0; // with the timer reset and the Escape binding
    double lights = 0.0;
    double shaders = 0.0;
    double assets = 0.0; // models with their materials and textures
    double camera = 0.0;
    double shadowSetup = 0.0; // Renderer::init: cube map, framebuffer, matrices, timer start

    double total() const { return settings + window + lights + shaders + assets + camera + shadowSetup; }
};

// Starts the renderer's scene through the program's own start-up, timing
// each step, and shuts it down again, window included, so that the next run
// starts from nothing.
class BenchScene {
public:
    BenchScene() = default;
    ~BenchScene();
    BenchScene(const BenchScene&) = delete;
    BenchScene& operator=(const BenchScene&) = delete;

    // Runs in the workspace, which must hold the steps copies the config
    // asks for. False, after an error line, when the scene is incomplete.
    bool start(const SceneConfig& config);
    void stop();

    Renderer& renderer() { return *app.renderer; }
    const SceneHandles& handles() const { return sceneHandles; }
    // The program of the six-pass baseline.
    const PixelShader* facePassProgram() const { return faceProgram; }
    const StartupTimes& startupTimes() const { return times; }

private:
    // Where the time of a start-up step goes.
    double& stepTime(Application::Step step);
    bool collectHandles(int stepsCount);

    SceneHandles sceneHandles;
    const PixelShader* faceProgram = nullptr;
    StartupTimes times;
    bool started = false;
};
