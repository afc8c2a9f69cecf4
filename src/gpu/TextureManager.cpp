#include "gpu/TextureManager.h"

#include "base/FileStem.h"
#include "base/Log.h"
#include "gpu/BoundedImageDecoder.h"

#include <GL/glew.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

constexpr const char* component = TextureManager::component;

// The largest width and height the driver takes for a 2D texture.
unsigned int maxTextureSize()
{
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size > 0 ? static_cast<unsigned int>(size) : 0;
}

// A new texture, bound to target on its unit, which stays selected.
GLuint generateOnUnit(GLenum target, int textureUnit)
{
    GLuint id = 0;
    glGenTextures(1, &id);
    glActiveTexture(GL_TEXTURE0 + textureUnit);
    glBindTexture(target, id);
    return id;
}

void setFilters(GLenum target, int minFilter, int magFilter)
{
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, magFilter);
}

// A 2D texture of the image with its mipmaps, made on the unit, which stays
// selected with nothing bound.
GLuint uploadMipmapped(const ImageDecoder::Result& image, int textureUnit, int internalFormat, unsigned int format,
                       int minFilter, int magFilter, int wrapS, int wrapT)
{
    // The rows come bottom row first, which is where GL puts its texture
    // origin, so the pixels go up as they are.
    const GLuint id = generateOnUnit(GL_TEXTURE_2D, textureUnit);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, static_cast<GLsizei>(image.width),
                 static_cast<GLsizei>(image.height), 0, format, GL_UNSIGNED_BYTE, image.pixels.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    setFilters(GL_TEXTURE_2D, minFilter, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapS);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapT);
    glBindTexture(GL_TEXTURE_2D, 0);
    return id;
}

ImageDecoder::Use otherUse(ImageDecoder::Use use)
{
    return use == ImageDecoder::Use::Colour ? ImageDecoder::Use::NormalMap : ImageDecoder::Use::Colour;
}

} // namespace

TextureManager::TextureManager(std::string textureDirectory)
    : textureDirectory(std::move(textureDirectory))
{
    ImageDecoder::routeLibraryMessages();
}

Texture* TextureManager::addTexture(const std::string& fileName, int textureUnit, const std::string& samplerName,
                                    int internalFormat, unsigned int format, int minFilter, int magFilter, int wrapS,
                                    int wrapT, ImageDecoder::Use use)
{
    const auto known = namesOfFiles.find({fileName, use});
    if (known != namesOfFiles.end()) {
        return textures.existing(known->second);
    }
    const auto ahead = decodedAhead.find({fileName, use});
    const ImageDecoder::Result image =
        ahead != decodedAhead.end() ? std::move(ahead->second)
                                    : BoundedImageDecoder::decode(textureDirectory + fileName, fileName, use,
                                                                  maxTextureSize());
    if (ahead != decodedAhead.end()) {
        decodedAhead.erase(ahead);
    }
    for (const std::string& line : image.errors) {
        Log::error(component, line);
    }
    if (!image.decoded()) {
        return nullptr;
    }
    const GLuint id =
        uploadMipmapped(image, textureUnit, internalFormat, format, minFilter, magFilter, wrapS, wrapT);
    return registerImage(fileName, use, image.convertedForUse,
                         std::make_unique<Texture>(id, textureUnit, GL_TEXTURE_2D, samplerName,
                                                   static_cast<int>(image.width), static_cast<int>(image.height)));
}

// An image whose pixels do not depend on the use serves both.
Texture* TextureManager::registerImage(const std::string& fileName, ImageDecoder::Use use, bool convertedForUse,
                                       std::unique_ptr<Texture> image)
{
    const std::string name = freeNameFor(fileName);
    Texture* texture = textures.insert(name, std::move(image));
    namesOfFiles[{fileName, use}] = name;
    if (!convertedForUse) {
        namesOfFiles[{fileName, otherUse(use)}] = name;
    }
    Log::info(component, "Texture '" + fileName + "' added successfully as '" + name + "'");
    return texture;
}

// Plain stems hold no ".", so a name that starts with "./" is never one,
// and no two files share one.
std::string TextureManager::freeNameFor(const std::string& fileName) const
{
    const std::string stem = fileStem(fileName);
    if (textures.find(stem) == nullptr) {
        return stem;
    }
    std::string name = "./" + fileName;
    for (int copy = 2; textures.find(name) != nullptr; ++copy) {
        name = "./" + fileName + " #" + std::to_string(copy);
    }
    return name;
}

void TextureManager::decodeAhead(const std::vector<Image>& images)
{
    decodedAhead.clear();
    std::vector<Image> wanted;
    for (const Image& image : images) {
        if (namesOfFiles.count(image) == 0 && std::find(wanted.begin(), wanted.end(), image) == wanted.end()) {
            wanted.push_back(image);
        }
    }
    if (wanted.size() < 2) {
        return;
    }
    std::vector<BoundedImageDecoder::Request> requests;
    for (const auto& [fileName, use] : wanted) {
        requests.push_back({textureDirectory + fileName, fileName, use});
    }
    std::vector<ImageDecoder::Result> results = BoundedImageDecoder::decodeAll(requests, maxTextureSize());
    for (std::size_t image = 0; image < results.size(); ++image) {
        decodedAhead.emplace(wanted[image], std::move(results[image]));
    }
}

Texture* TextureManager::addCubemap(const std::string& name, int width, int height, int textureUnit,
                                    const std::string& samplerName, int internalFormat, unsigned int format,
                                    unsigned int type, int minFilter, int magFilter, int wrapS, int wrapT, int wrapR)
{
    if (Texture* registered = textures.existing(name)) {
        return registered;
    }
    const GLuint id = generateOnUnit(GL_TEXTURE_CUBE_MAP, textureUnit);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, wrapS);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, wrapT);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, wrapR);
    setFilters(GL_TEXTURE_CUBE_MAP, minFilter, magFilter);
    for (GLenum face = 0; face < 6; ++face) {
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, internalFormat, width, height, 0, format, type,
                     nullptr);
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);

    Texture* texture = textures.insert(
        name, std::make_unique<Texture>(id, textureUnit, GL_TEXTURE_CUBE_MAP, samplerName, width, height));
    Log::info(component, "Cubemap '" + name + "' added successfully as '" + name + "'");
    return texture;
}

Texture* TextureManager::addDepthCubemap(const std::string& name, int width, int height, int textureUnit,
                                         const std::string& samplerName)
{
    return addCubemap(name, width, height, textureUnit, samplerName, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT,
                      GL_UNSIGNED_INT, GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE);
}

Texture* TextureManager::getTexture(const std::string& name) const
{
    return textures.get(name);
}

Texture* TextureManager::findImage(const std::string& fileName, ImageDecoder::Use use) const
{
    const auto known = namesOfFiles.find({fileName, use});
    return known != namesOfFiles.end() ? textures.find(known->second) : nullptr;
}

void TextureManager::cleanUp()
{
    decodedAhead.clear();
    textures.forEach([](const Texture& texture) { texture.release(); });
    textures.clear();
    namesOfFiles.clear();
}
