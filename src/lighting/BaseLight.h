#pragma once

#include <glm/vec3.hpp>

class PixelShader;

// The values a lit program needs from its light.
class BaseLight {
public:
    BaseLight(const glm::vec3& lightColor, const glm::vec3& lightPosition, float ambientCoeff, float diffuseCoeff);
    virtual ~BaseLight() = default;

    // Uploads the light's uniforms to the active program.
    virtual void setUniforms() const = 0;
    // Advances the light by the frame step dt (seconds).
    virtual void update(double dt) = 0;

    glm::vec3 lightColor;
    glm::vec3 lightPosition;
    float ambientCoeff;
    float diffuseCoeff;

protected:
    // "lightColor", "ambientCoeff", "diffuseCoeff": the uploads every light
    // makes last.
    void setBaseUniforms(const PixelShader& program) const;
};
