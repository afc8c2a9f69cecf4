#include "BenchScene.h"

#include "Workspace.h"

#include "app/Application.h"
#include "base/FileStem.h"
#include "base/Log.h"
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
    app.startUp(config.shadowMapSize, [this](Application::Step step, const std::function<void()>& run) {
        stepTime(step) = millisecondsOf(run);
    });
    return collectHandles(config.stepsCount);
}

double& BenchScene::stepTime(Application::Step step)
{
    switch (step) {
    case Application::Step::Settings:
        return times.settings;
    case Application::Step::Window:
        return times.window;
    case Application::Step::Lights:
        return times.lights;
    case Application::Step::Shaders:
        return times.shaders;
    case Application::Step::Assets:
        return times.assets;
    case Application::Step::Camera:
        return times.camera;
    case Application::Step::ShadowMap:
        break;
    }
    return times.shadowSetup;
}

bool BenchScene::collectHandles(int stepsCount)
{
    // The asset manager's order: ascending by registered name.
    std::map<std::string, const Model3D*> models;
    Model3D* steps = app.assetManager.findAsset("steps");
    Model3D* sphere = app.assetManager.findAsset("point_light_sphere");
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
    sceneHandles.renderer = app.renderer.get();
    sceneHandles.shadowProgram = app.renderer->shadowProgram;
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
    app.shutDown();
    // The models' buffers and vertex arrays and the framebuffer go with the
    // context, as at the renderer's exit.
    glfwDestroyWindow(app.window.handle);
    app.window.handle = nullptr;
    app.window.running = false;
    sceneHandles = SceneHandles{};
    faceProgram = nullptr;
}
