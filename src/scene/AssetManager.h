#pragma once

#include "base/Registry.h"
#include "lighting/LightRegistry.h"
#include "scene/Model3D.h"

#include <memory>
#include <string>

// The scene's models, registered under their file stems and walked in
// ascending name order, and the registry of its lights.
class AssetManager {
public:
    // Imports the model from the file and registers it; the registered model
    // when the name is taken, null when the import fails. Takes the model
    // over either way.
    Model3D* addAsset(const std::string& fileName, std::unique_ptr<Model3D> model);
    // The model registered under name, or null; says nothing.
    Model3D* findAsset(const std::string& name) const;
    // Builds the scene's models.
    void loadAssets();
    // Advances the shared model clock by the frame's step once, then poses
    // every model at it in name order.
    void updateAll(double elapsedSeconds);
    void drawAll();
    void drawAllDepth();
    // Destroys the models, then the lights.
    void cleanUp();

    LightRegistry lights;

    // The component of the registry's log lines, which model import shares.
    static constexpr const char* component = "AssetManager";

private:
    Registry<Model3D> assets{component, "Asset"};
};
