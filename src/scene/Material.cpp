#include "scene/Material.h"

#include "gpu/Texture.h"

Material::Material(Texture* diffuseTexture, Texture* normalTexture)
    : diffuseTexture(diffuseTexture), normalTexture(normalTexture)
{
}

void Material::bind() const
{
    if (diffuseTexture != nullptr) {
        diffuseTexture->bind();
    }
    if (normalTexture != nullptr) {
        normalTexture->bind();
    }
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
