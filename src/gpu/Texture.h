#pragma once

#include <string>

// A GL texture with its own texture unit and the sampler uniform that
// receives that unit. Immutable once made.
class Texture {
public:
    Texture(unsigned int id, int textureUnit, unsigned int target, std::string samplerName, int width, int height);

    // Sets the sampler uniform of the active program to the unit, selects the
    // unit and binds the texture there.
    void bindOn(int unit, const std::string& sampler) const;
    // bindOn its own unit and sampler.
    void bind() const;
    // Binds 0 to the target on whichever unit is selected now.
    void unbind() const;
    void release() const;

    const unsigned int id;
    const int textureUnit;
    const unsigned int target;
    const std::string samplerName;
    const int width;
    const int height;
};
