#include "lighting/DirectionalLight.h"

#include "gpu/PixelShader.h"

#include <glm/gtc/type_ptr.hpp>

DirectionalLight::DirectionalLight(const glm::vec3& lightColor, float ambientCoeff, float diffuseCoeff,
                                   const glm::vec3& lightPosition)
    : BaseLight(lightColor, lightPosition, ambientCoeff, diffuseCoeff)
{
}

void DirectionalLight::setUniforms() const
{
    const PixelShader* program = PixelShader::getActive();
    if (program == nullptr) {
        return;
    }
    program->setUniform3fv("lightPosition", glm::value_ptr(lightPosition));
    setBaseUniforms(*program);
}

void DirectionalLight::update(double)
{
}
