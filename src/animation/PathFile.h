#pragma once

#include "animation/Animation.h"

#include <memory>
#include <string>
#include <vector>

struct aiScene;

namespace Assimp {
class Importer;
}

// A Collada file in the asset directory that places and moves the camera or
// the point light, read as it stands: no post-processing, and only after
// the Collada pre-check has let it through.
class PathFile {
public:
    // The file's scene, owned by the importer; null after the owner's line
    // "Could not read file '<fileName>'".
    static const aiScene* read(Assimp::Importer& importer, const std::string& fileName, const char* component);
    // Copies of the scene's animations in file order, each channel whose
    // keys are not all finite reported under the owner's component.
    static std::vector<std::unique_ptr<Animation>> animations(const aiScene& scene, const char* component);
};
