#include <GL/glew.h>

#include "scene/Material.h"

#include "gpu/Texture.h"

namespace {

void bindSlot(const Texture* texture, int unit, const char* sampler)
{
    if (texture != nullptr) {
        texture->bindOn(unit, sampler);
        return;
    }
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, 0);
}

} // namespace

Material::Material(Texture* diffuseTexture, Texture* normalTexture)
    : diffuseTexture(diffuseTexture), normalTexture(normalTexture)
{
}

void Material::bind() const
{
    bindSlot(diffuseTexture, colourUnit, colourSampler);
    bindSlot(normalTexture, normalMapUnit, normalMapSampler);
}

void Material::unbind() const
{
    if (diffuseTexture != nullptr) {
        diffuseTexture->unbind();
    }
    if (normalTexture != nullptr) {
        normalTexture->unbind();
    }
}
