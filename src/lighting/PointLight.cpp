#include "lighting/PointLight.h"

#include "animation/PathFile.h"
#include "base/Finite.h"
#include "base/Log.h"
#include "gpu/PixelShader.h"
#include "math/AssimpMatrix.h"

#include <assimp/scene.h>
#include <glm/gtc/type_ptr.hpp>

AnimationClock PointLight::clock;

namespace {

const char* const component = "PointLight";

} // namespace

PointLight::PointLight(const glm::vec3& lightColor, float ambientCoeff, float diffuseCoeff, float attenuationConst,
                       float attenuationLinear, float attenuationExp, const std::string& fileName)
    : BaseLight(lightColor, glm::vec3(0.0f), ambientCoeff, diffuseCoeff),
      attenuationConst(attenuationConst),
      attenuationLinear(attenuationLinear),
      attenuationExp(attenuationExp)
{
    const std::unique_ptr<aiScene> scene = PathFile::read(fileName, component);
    if (!scene) {
        return;
    }
    // The path is optional: a light without one simply stays where its
    // node puts it.
    if (scene->mLights == nullptr || scene->mNumLights == 0) {
        Log::error(component, "No light/animation found");
        return;
    }

    const std::string name = scene->mLights[0]->mName.C_Str();
    placeAtNode(*scene, name);

    animations = PathFile::animations(*scene, component);
    Log::info(component, "Light '" + name + "' imported successfully");
}

// Only the translation of the node's own transform places the light; its
// parents, and its own rotation and scale, are deliberately ignored. A NaN
// or infinite translation leaves the light at the origin: the position
// feeds the shadow matrices.
void PointLight::placeAtNode(const aiScene& scene, const std::string& name)
{
    const aiNode* node = scene.mRootNode != nullptr ? scene.mRootNode->FindNode(name.c_str()) : nullptr;
    if (node == nullptr) {
        Log::error(component, "No position coordinates found in light '" + name + "'");
        return;
    }
    const glm::vec3 translation(convertAssimpMatrix(node->mTransformation)[3]);
    if (!isFinite(translation)) {
        Log::error(component, "Light '" + name + "' has a transform that is not finite");
        return;
    }
    lightPosition = translation;
}

void PointLight::setUniforms() const
{
    const PixelShader* program = PixelShader::getActive();
    if (program == nullptr) {
        return;
    }
    program->setUniform3fv("lightPosition", glm::value_ptr(lightPosition));
    program->setUniform1f("attenuationConst", attenuationConst);
    program->setUniform1f("attenuationLinear", attenuationLinear);
    program->setUniform1f("attenuationExp", attenuationExp);
    setBaseUniforms(*program);
}

void PointLight::update(double dt)
{
    // The light follows the point (1, 1, 1) of the path's frame, not its
    // origin: a path that only translates by p puts the light at
    // p + (1, 1, 1). The scene's light path is authored for this.
    // A path sampled near a NaN or infinite key leaves the light where it
    // last was: the position feeds the shadow matrices and every lit pixel.
    if (const std::optional<glm::mat4> placement = clock.samplePath(dt, animations)) {
        const glm::vec3 position(*placement * glm::vec4(1.0f));
        if (isFinite(position)) {
            lightPosition = position;
        }
    }
}
