#include <GL/glew.h>

#include "scene/Material.h"

#include "gpu/Texture.h"

namespace {

constexpr int diffuseUnit = 0;
constexpr int normalUnit = 1;

void bindSlot(const Texture* texture, int unit)
{
    if (texture != nullptr) {
        texture->bind();
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
    bindSlot(diffuseTexture, diffuseUnit);
    bindSlot(normalTexture, normalUnit);
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
