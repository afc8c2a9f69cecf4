#include "gpu/Texture.h"

#include "gpu/PixelShader.h"

#include <GL/glew.h>

Texture::Texture(unsigned int id, int textureUnit, unsigned int target, std::string samplerName, int width,
                 int height)
    : id(id), textureUnit(textureUnit), target(target), samplerName(std::move(samplerName)), width(width),
      height(height)
{
}

void Texture::bindOn(int unit, const std::string& sampler) const
{
    // Without a bound program there is no sampler to point at the unit; the
    // texture still goes onto the unit so the texture state is the same
    // either way.
    if (const PixelShader* program = PixelShader::getActive()) {
        program->setUniform1i(sampler.c_str(), unit);
    }
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(target, id);
}

void Texture::bind() const
{
    bindOn(textureUnit, samplerName);
}

void Texture::unbind() const
{
    glBindTexture(target, 0);
}

void Texture::release() const
{
    glDeleteTextures(1, &id);
}
