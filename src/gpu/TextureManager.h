#pragma once

#include "base/Registry.h"
#include "gpu/ImageDecoder.h"
#include "gpu/Texture.h"

#include <map>
#include <memory>
#include <string>
#include <vector>
#include <utility>

// Owns every GL texture: mipmapped 2D textures decoded from image files in
// the texture directory, and empty cube maps for render targets, registered
// under their name.
//
// An image texture belongs to its file. It is registered under the file's
// stem (its name up to the first "."); a texture whose stem another file
// already holds is registered under "./" and its file name instead, with
// " #2", " #3", ... after it while that is taken too. Asking for the same
// file again returns the same texture, whatever unit or sampler the request
// names; only a float image, whose pixels depend on the use, is loaded once
// for each use it is asked for.
class TextureManager {
public:
    // The component of every log line the manager writes.
    static constexpr const char* component = "TextureManager";

    // Also sends the image libraries' messages, process-wide, to the log
    // instead of standard error.
    explicit TextureManager(std::string textureDirectory);

    // textureUnit and samplerName are those the texture's own bind() uses
    // (Texture::bindOn binds it in another slot); use says how a float image
    // goes to 8 bits.
    Texture* addTexture(const std::string& fileName, int textureUnit, const std::string& samplerName,
                        int internalFormat, unsigned int format, int minFilter, int magFilter, int wrapS, int wrapT,
                        ImageDecoder::Use use = ImageDecoder::Use::Colour);
    // Decodes together, in one bounded child, the images that addTexture
    // will be asked for next and that are not registered yet: a child for
    // each costs more than decoding a small image. addTexture then takes
    // their results, logging the same lines at the same place; where the
    // child fails, each image is decoded in a child of its own when asked
    // for. Results not asked for are dropped at the next call.
    using Image = std::pair<std::string, ImageDecoder::Use>;
    void decodeAhead(const std::vector<Image>& images);
    Texture* addCubemap(const std::string& name, int width, int height, int textureUnit,
                        const std::string& samplerName, int internalFormat, unsigned int format, unsigned int type,
                        int minFilter, int magFilter, int wrapS, int wrapT, int wrapR);
    // The depth cube map that off-screen passes render into: 24-bit depth,
    // linear filters, clamped at the edges, no comparison mode.
    Texture* addDepthCubemap(const std::string& name, int width, int height, int textureUnit,
                             const std::string& samplerName);
    Texture* getTexture(const std::string& name) const;
    // The texture made from the file for the use, or null; says nothing.
    Texture* findImage(const std::string& fileName, ImageDecoder::Use use) const;
    void cleanUp();

private:
    Texture* registerImage(const std::string& fileName, ImageDecoder::Use use, bool convertedForUse,
                           std::unique_ptr<Texture> image);
    std::string freeNameFor(const std::string& fileName) const;

    std::string textureDirectory;
    Registry<Texture> textures{component, "Texture"};
    // The registry name of each file's texture for each use it was asked for.
    std::map<Image, std::string> namesOfFiles;
    std::map<Image, ImageDecoder::Result> decodedAhead;
};
