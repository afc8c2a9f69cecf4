#include "animation/PathFile.h"

#include "base/ColladaPreCheck.h"
#include "base/DataDirectories.h"
#include "base/Log.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

const aiScene* PathFile::read(Assimp::Importer& importer, const std::string& fileName, const char* component)
{
    const std::string path = DataDirectories::assets + fileName;
    const aiScene* scene = ColladaPreCheck::isSafeToImport(path) ? importer.ReadFile(path, 0) : nullptr;
    if (scene == nullptr) {
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
