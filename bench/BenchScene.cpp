#include "BenchScene.h"

#include "Workspace.h"

#include "app/Application.h"
#include "app/FileStem.h"
#include "app/Log.h"
#include "lighting/PointLight.h"
#include "render/Renderer.h"

#include <GLFW/glfw3.h>

#include <chrono>
#include <map>
#include <string>

namespace {

const char* const component = "Bench";

template <typename Step>
double millisecondsOf(Step step)
{
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The registered model of a scene file. The asset manager answers a name
// that is taken with the model registered under it; the offered stand-in
// is then dropped unused.
Model3D* registeredModel(const std::string& fileName)
{
    auto standIn = std::make_unique<Model3D>(nullptr, 0.0f, 0.0f, glm::vec3(0.0f), glm::vec3(1.0f), 0.0f,
                                             glm::vec3(1.0f));
    return app.assetManager.addAsset(fileName, std::move(standIn));
}

// Another instance of the steps model with the same program, specular values
// and placement, registered under the copy's own file name.
Model3D* addStepsCopy(const Model3D& steps, int copy)
{
    auto model = std::make_unique<Model3D>(steps.program, steps.specularCoeff, steps.specularPower,
                                           glm::vec3(0.0f), glm::vec3(1.0f), 0.0f, glm::vec3(1.0f));
    return app.assetManager.addAsset(Workspace::stepsCopyFileName(copy), std::move(model));
}

} // namespace

BenchScene::~BenchScene()
{
    stop();
}

bool BenchScene::start(const SceneConfig& config)
{
    started = true;
    times = StartupTimes{};
    times.settings = millisecondsOf([] { app.settings.load(); });
    times.window = millisecondsOf([] {
        app.window.init(app.settings);
        app.timer.reset();
        app.keyboard.bind(app.window);
    });
    times.lights = millisecondsOf([] { app.assetManager.lights.loadLights(); });
    times.shaders = millisecondsOf([] { app.shaderManager.loadShaders(); });
    times.assets = millisecondsOf([] { app.assetManager.loadAssets(); });
    times.camera = millisecondsOf([] {
        app.cameraAnimation = std::make_unique<CameraAnimation>(Application::cameraProjection(app.settings),
                                                                "camera.dae");
    });
    times.shadowSetup = millisecondsOf([this, &config] {
        activeRenderer = std::make_unique<Renderer>(config.shadowMapSize);
        activeRenderer->init();
    });
    return collectHandles(config.stepsCount);
}

bool BenchScene::collectHandles(int stepsCount)
{
    // The asset manager's order: ascending by registered name.
    std::map<std::string, const Model3D*> models;
    Model3D* steps = registeredModel("steps.dae");
    Model3D* sphere = registeredModel("point_light_sphere.dae");
    if (steps == nullptr || sphere == nullptr) {
        Log::error(component, "The shipped scene did not load");
        return false;
    }
    models["steps"] = steps;
    models["point_light_sphere"] = sphere;
    for (int copy = 1; copy < stepsCount; ++copy) {
        const Model3D* added = addStepsCopy(*steps, copy);
        if (added == nullptr) {
            return false;
        }
        models[fileStem(Workspace::stepsCopyFileName(copy))] = added;
    }

    sceneHandles = SceneHandles{};
    for (const auto& [name, model] : models) {
        sceneHandles.models.push_back(model);
    }
    sceneHandles.camera = app.cameraAnimation.get();
    sceneHandles.renderer = activeRenderer.get();
    sceneHandles.shadowProgram = activeRenderer->shadowProgram;
    if (sceneHandles.shadowProgram != nullptr) {
        sceneHandles.pointLight = dynamic_cast<const PointLight*>(sceneHandles.shadowProgram->light);
    }
    glfwGetFramebufferSize(app.window.handle, &sceneHandles.windowWidth, &sceneHandles.windowHeight);
    if (sceneHandles.pointLight == nullptr) {
        Log::error(component, "The shadow pass has no program or no point light");
        return false;
    }
    faceProgram = app.shaderManager.addShader("shadowface", "shadowface.vert", "shadowmap.frag", nullptr);
    return faceProgram != nullptr;
}

void BenchScene::stop()
{
    if (!started) {
        return;
    }
    started = false;
    activeRenderer.reset();
    app.cameraAnimation.reset();
    app.assetManager.cleanUp();
    app.textureManager.cleanUp();
    app.shaderManager.cleanUp();
    // The models' buffers and vertex arrays and the framebuffer go with the
    // context, as at the renderer's exit.
    glfwDestroyWindow(app.window.handle);
    app.window.handle = nullptr;
    app.window.running = false;
    // The class clocks would otherwise carry this run's time into the next.
    Model3D::clock.reset();
    CameraAnimation::clock.reset();
    PointLight::clock.reset();
    sceneHandles = SceneHandles{};
    faceProgram = nullptr;
}
