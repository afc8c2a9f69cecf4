#pragma once

#include "animation/Animation.h"

#include <memory>
#include <string>
#include <vector>

struct aiScene;

// A Collada file in the asset directory that places and moves the camera or
// the point light, read as it stands (no post-processing) by a bounded
// import.
class PathFile {
public:
    // The file's scene; null after the owner's line "Could not read file
    // '<fileName>'", which a line saying why may come before.
    static std::unique_ptr<aiScene> read(const std::string& fileName, const char* component);
    // Copies of the scene's animations in file order, each channel whose
    // keys are not all finite reported under the owner's component.
    static std::vector<std::unique_ptr<Animation>> animations(const aiScene& scene, const char* component);
};
