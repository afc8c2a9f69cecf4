#pragma once

#include "base/Registry.h"
#include "gpu/ImageDecoder.h"
#include "gpu/Texture.h"

#include <string>

// Owns every GL texture: mipmapped 2D textures decoded from image files in
// the texture directory, registered under their file stem, and empty cube
// maps for render targets, registered under their name.
class TextureManager {
public:
    // The component of every log line the manager writes.
    static constexpr const char* component = "TextureManager";

    // Also sends the image libraries' messages, process-wide, to the log
    // instead of standard error.
    explicit TextureManager(std::string textureDirectory);

    // use says how a float image goes to 8 bits.
    Texture* addTexture(const std::string& fileName, int textureUnit, const std::string& samplerName,
                        int internalFormat, unsigned int format, int minFilter, int magFilter, int wrapS, int wrapT,
                        ImageDecoder::Use use = ImageDecoder::Use::Colour);
    Texture* addCubemap(const std::string& name, int width, int height, int textureUnit,
                        const std::string& samplerName, int internalFormat, unsigned int format, unsigned int type,
                        int minFilter, int magFilter, int wrapS, int wrapT, int wrapR);
    // The depth cube map that off-screen passes render into: 24-bit depth,
    // linear filters, clamped at the edges, no comparison mode.
    Texture* addDepthCubemap(const std::string& name, int width, int height, int textureUnit,
                             const std::string& samplerName);
    Texture* getTexture(const std::string& name) const;
    // The same lookup without the error line, for optional textures.
    Texture* findTexture(const std::string& name) const;
    void cleanUp();

private:
    std::string textureDirectory;
    Registry<Texture> textures{component, "Texture"};
};
