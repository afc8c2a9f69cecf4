#pragma once

#include "lighting/BaseLight.h"

// A light at a fixed point, standing for a distant directional source.
class DirectionalLight : public BaseLight {
public:
    DirectionalLight(const glm::vec3& lightColor, float ambientCoeff, float diffuseCoeff,
                     const glm::vec3& lightPosition);

    // "lightPosition", then the base uniforms.
    void setUniforms() const override;
    void update(double dt) override;
};
