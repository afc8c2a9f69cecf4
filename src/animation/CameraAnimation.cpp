#include "animation/CameraAnimation.h"

#include "animation/PathFile.h"
#include "base/Finite.h"
#include "base/Log.h"
#include "math/AssimpMatrix.h"

#include <assimp/scene.h>
#include <glm/matrix.hpp>

#include <optional>

AnimationClock CameraAnimation::clock;

namespace {

const char* const component = "CameraAnimation";

// A placement that collapses space (a zero scale) has no inverse; its
// elements would come out non-finite and poison every vertex on the GPU.
std::optional<glm::mat4> viewFromPlacement(const glm::mat4& placement)
{
    const glm::mat4 view = glm::inverse(placement);
    return isFinite(view) ? std::optional<glm::mat4>(view) : std::nullopt;
}

bool hasCameraAndAnimation(const aiScene& scene)
{
    return scene.mCameras != nullptr && scene.mNumCameras > 0 && scene.mAnimations != nullptr &&
           scene.mNumAnimations > 0;
}

} // namespace

CameraAnimation::CameraAnimation(const glm::mat4& projection, const std::string& fileName)
{
    projectionMatrix = projection;

    const std::unique_ptr<aiScene> scene = PathFile::read(fileName, component);
    if (!scene) {
        return;
    }
    if (!hasCameraAndAnimation(*scene)) {
        Log::error(component, "No camera/animation found");
        return;
    }

    const aiString& name = scene->mCameras[0]->mName;
    // Only the node's own transform places the camera; its parents are
    // deliberately ignored.
    const aiNode* node = scene->mRootNode != nullptr ? scene->mRootNode->FindNode(name) : nullptr;
    if (node != nullptr) {
        const glm::mat4 placement = convertAssimpMatrix(node->mTransformation);
        if (!isFinite(placement)) {
            Log::error(component, std::string("Camera '") + name.C_Str() + "' has a transform that is not finite");
        }
        viewMatrix = viewFromPlacement(placement).value_or(viewMatrix);
    }

    animations = PathFile::animations(*scene, component);
    Log::info(component, std::string("Camera '") + name.C_Str() + "' imported successfully");
}

void CameraAnimation::update(double dt)
{
    if (const std::optional<glm::mat4> placement = clock.samplePath(dt, animations)) {
        viewMatrix = viewFromPlacement(*placement).value_or(viewMatrix);
    }
}
