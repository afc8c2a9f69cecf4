#include "app/Application.h"

#include <cmath>

Application app;

int Application::run()
{
    startUp();
    mainLoop.run();
    shutDown();
    return 0;
}

void Application::startUp()
{
    settings.load();
    window.init(settings);
    timer.reset();
    keyboard.bind(window);
    // The lights come first: the shader catalogue ties programs to them.
    assetManager.lights.loadLights();
    shaderManager.loadShaders();
    assetManager.loadAssets();
    cameraAnimation = std::make_unique<CameraAnimation>(cameraProjection(settings), "camera.dae");
}

// Everything that owns GL objects goes while the context still exists.
void Application::shutDown()
{
    cameraAnimation.reset();
    assetManager.cleanUp();
    textureManager.cleanUp();
    shaderManager.cleanUp();
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
