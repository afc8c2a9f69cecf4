#include "scene/AssetManager.h"

#include "base/FileStem.h"
#include "base/Log.h"
#include "gpu/ShaderManager.h"
#include "scene/ProcessObjects.h"

#include <glm/vec3.hpp>

namespace {

struct SceneModel {
    const char* fileName;
    const char* programName;
};

// Every model shares the same specular values and stands where its file
// places it.
constexpr SceneModel sceneModels[] = {
    {"steps.dae", "smnmbptex_point"},
    {"point_light_sphere.dae", "nmbptex_dir"},
};
constexpr float sceneSpecularCoeff = 0.2f;
constexpr float sceneSpecularPower = 7.0f;

} // namespace

Model3D* AssetManager::addAsset(const std::string& fileName, std::unique_ptr<Model3D> model)
{
    const std::string name = fileStem(fileName);
    if (Model3D* registered = assets.existing(name)) {
        return registered;
    }
    if (!model->load(fileName)) {
        model.reset();
        Log::error(component, "Could not import asset '" + name + "'");
        return nullptr;
    }
    Model3D* added = assets.insert(name, std::move(model));
    Log::info(component, "Asset '" + name + "' added successfully");
    return added;
}

Model3D* AssetManager::findAsset(const std::string& name) const
{
    return assets.find(name);
}

void AssetManager::loadAssets()
{
    for (const SceneModel& entry : sceneModels) {
        PixelShader* program = processObjects().shaders->getShader(entry.programName);
        auto model = std::make_unique<Model3D>(program, sceneSpecularCoeff, sceneSpecularPower, glm::vec3(0.0f),
                                               glm::vec3(1.0f), 0.0f, glm::vec3(1.0f));
        addAsset(entry.fileName, std::move(model));
    }
}

void AssetManager::updateAll(double elapsedSeconds)
{
    // Advanced here rather than by each model: every animated model would
    // otherwise add the frame's step once more.
    Model3D::clock.advance(elapsedSeconds);
    assets.forEach([](Model3D& model) { model.update(); });
}

void AssetManager::drawAll()
{
    assets.forEach([](Model3D& model) { model.draw(model.program); });
}

void AssetManager::drawAllDepth()
{
    assets.forEach([](Model3D& model) { model.drawDepth(); });
}

void AssetManager::cleanUp()
{
    assets.clear();
    lights.cleanUp();
}
