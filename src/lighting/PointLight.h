#pragma once

#include "animation/Animation.h"
#include "animation/AnimationClock.h"
#include "lighting/BaseLight.h"

#include <memory>
#include <string>
#include <vector>

struct aiScene;

// An attenuated light whose position and path come from the first light and
// the animations of a Collada file in the asset directory.
class PointLight : public BaseLight {
public:
    PointLight(const glm::vec3& lightColor, float ambientCoeff, float diffuseCoeff, float attenuationConst,
               float attenuationLinear, float attenuationExp, const std::string& fileName);

    // "lightPosition", the three attenuation terms, then the base uniforms.
    void setUniforms() const override;
    // Moves the light to M * (1, 1, 1, 1), M being channel 0 of animation 0
    // sampled at the class clock's time.
    void update(double dt) override;

    float attenuationConst;
    float attenuationLinear;
    float attenuationExp;
    std::vector<std::unique_ptr<Animation>> animations;

    static AnimationClock clock;

private:
    void placeAtNode(const aiScene& scene, const std::string& name);
};
