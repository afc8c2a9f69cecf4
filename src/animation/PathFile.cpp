#include "animation/PathFile.h"

#include "base/DataDirectories.h"
#include "base/Log.h"
#include "base/SceneImport.h"

#include <assimp/scene.h>

std::unique_ptr<aiScene> PathFile::read(const std::string& fileName, const char* component)
{
    std::unique_ptr<aiScene> scene = SceneImport::read(DataDirectories::assets + fileName, 0, component);
    if (!scene) {
        Log::error(component, "Could not read file '" + fileName + "'");
    }
    return scene;
}

std::vector<std::unique_ptr<Animation>> PathFile::animations(const aiScene& scene, const char* component)
{
    std::vector<std::unique_ptr<Animation>> copies;
    if (scene.mAnimations == nullptr) {
        return copies;
    }
    for (unsigned int i = 0; i < scene.mNumAnimations; ++i) {
        copies.push_back(std::make_unique<Animation>(*scene.mAnimations[i]));
        copies.back()->reportNonFiniteKeys(component);
    }
    return copies;
}
