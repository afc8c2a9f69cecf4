#pragma once

#include <memory>

class AssetManager;
class CameraAnimation;
class ShaderManager;
class TextureManager;

// The process-wide objects that the models, the asset manager and the
// renderer reach, without the rest of the application above them. The
// application points these at its own objects when it is made.
struct ProcessObjects {
    ShaderManager* shaders = nullptr;
    TextureManager* textures = nullptr;
    AssetManager* assets = nullptr;
    // The application's owning pointer, so that the camera seen is always
    // the one made at start-up, and none before it or after shutdown.
    const std::unique_ptr<CameraAnimation>* cameraOwner = nullptr;

    CameraAnimation* camera() const { return cameraOwner != nullptr ? cameraOwner->get() : nullptr; }
};

ProcessObjects& processObjects();
