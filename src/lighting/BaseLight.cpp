#include "lighting/BaseLight.h"

#include "gpu/PixelShader.h"

#include <glm/gtc/type_ptr.hpp>

BaseLight::BaseLight(const glm::vec3& lightColor, const glm::vec3& lightPosition, float ambientCoeff,
                     float diffuseCoeff)
    : lightColor(lightColor), lightPosition(lightPosition), ambientCoeff(ambientCoeff), diffuseCoeff(diffuseCoeff)
{
}

void BaseLight::setBaseUniforms(const PixelShader& program) const
{
    program.setUniform3fv("lightColor", glm::value_ptr(lightColor));
    program.setUniform1f("ambientCoeff", ambientCoeff);
    program.setUniform1f("diffuseCoeff", diffuseCoeff);
}
