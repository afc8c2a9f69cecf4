#include "app/Application.h"

#include "base/ChildLauncher.h"

#include "lighting/PointLight.h"
#include "scene/ProcessObjects.h"

#include <cmath>

Application app;

Application::Application()
{
    ProcessObjects& objects = processObjects();
    objects.shaders = &shaderManager;
    objects.textures = &textureManager;
    objects.assets = &assetManager;
    objects.cameraOwner = &cameraAnimation;
}

int Application::run()
{
    startUp(Renderer::defaultShadowMapSize);
    mainLoop.run(*renderer);
    shutDown();
    return 0;
}

void Application::startUp(int shadowMapSize, const StepRunner& runStep)
{
    runStep(Step::Settings, [this] { settings.load(); });
    runStep(Step::Window, [this] {
        // While the process is small: the window and its context make it
        // costly to fork for every file read at start-up.
        ChildLauncher::start();
        window.init(settings);
        timer.reset();
        keyboard.bind(window);
    });
    setUpScene(shadowMapSize, runStep);
}

void Application::setUpScene(int shadowMapSize, const StepRunner& runStep)
{
    CameraAnimation::clock.reset();
    PointLight::clock.reset();
    Model3D::clock.reset();
    // The lights come first: the shader catalogue ties programs to them.
    runStep(Step::Lights, [this] { assetManager.lights.loadLights(); });
    runStep(Step::Shaders, [this] { shaderManager.loadShaders(); });
    runStep(Step::Assets, [this] { assetManager.loadAssets(); });
    runStep(Step::Camera, [this] {
        cameraAnimation = std::make_unique<CameraAnimation>(cameraProjection(settings), "camera.dae");
    });
    runStep(Step::ShadowMap, [this, shadowMapSize] {
        renderer = std::make_unique<Renderer>(timer, shadowMapSize);
        renderer->init();
    });
}

// Everything that owns GL objects goes while the context still exists.
void Application::shutDown()
{
    renderer.reset();
    cameraAnimation.reset();
    assetManager.cleanUp();
    textureManager.cleanUp();
    shaderManager.cleanUp();
    ChildLauncher::stop();
}

void Application::runEach(Step, const std::function<void()>& run)
{
    run();
}

glm::mat4 Application::cameraProjection(const Settings& settings)
{
    const float aspect = static_cast<float>(settings.getInt("WIDTH")) /
                         static_cast<float>(settings.getInt("HEIGHT"));
    // tan of 30 degrees, the half field of view given in single precision.
    const float halfFieldOfView = 0.5235987901687622f;
    const float t = static_cast<float>(std::tan(static_cast<double>(halfFieldOfView)));

    glm::mat4 projection(0.0f);
    projection[0][0] = 1.0f / (aspect * t);
    projection[1][1] = 1.0f / t;
    // The depth terms -(f + n) / (f - n) and -2fn / (f - n) for n = 0.1 and
    // f = 100 are fixed.
    projection[2][2] = -1.002002f;
    projection[2][3] = -1.0f;
    projection[3][2] = -0.2002002f;
    return projection;
}
