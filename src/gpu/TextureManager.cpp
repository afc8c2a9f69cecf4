#include "gpu/TextureManager.h"

#include "base/FileStem.h"
#include "base/Log.h"
#include "gpu/ImageHeader.h"

#include <FreeImage.h>
#include <GL/glew.h>
#include <tiffio.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

namespace {

constexpr const char* component = TextureManager::component;

struct BitmapUnloader {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
// Owning bitmaps release themselves on whichever path a load gives up.
using Bitmap = std::unique_ptr<FIBITMAP, BitmapUnloader>;

// FreeImage widens only 8-bit-per-channel layouts (and 16-bit colour) to 32
// bits, so the rest go through 8 bits first: 16-bit grey keeps its high
// byte, float colour is tone mapped, other scalar types are rescaled over
// their range. Null where FreeImage has no conversion.
Bitmap toEightBitsPerChannel(FIBITMAP* bitmap)
{
    switch (FreeImage_GetImageType(bitmap)) {
    case FIT_UINT16:
        return Bitmap(FreeImage_ConvertTo8Bits(bitmap));
    case FIT_RGBF:
    case FIT_RGBAF:
        return Bitmap(FreeImage_ToneMapping(bitmap, FITMO_DRAGO03, 0.0, 0.0));
    default:
        return Bitmap(FreeImage_ConvertToType(bitmap, FIT_BITMAP, TRUE));
    }
}

// The upload reads four bytes per texel in blue, green, red, alpha order,
// so any other layout would make it read past the bitmap's pixels.
Bitmap toBgra32(Bitmap bitmap)
{
    const FREE_IMAGE_TYPE type = FreeImage_GetImageType(bitmap.get());
    if (type == FIT_BITMAP && FreeImage_GetBPP(bitmap.get()) == 32) {
        return bitmap;
    }
    if (type == FIT_BITMAP || type == FIT_RGB16 || type == FIT_RGBA16) {
        return Bitmap(FreeImage_ConvertTo32Bits(bitmap.get()));
    }
    const Bitmap narrowed = toEightBitsPerChannel(bitmap.get());
    return narrowed ? Bitmap(FreeImage_ConvertTo32Bits(narrowed.get())) : nullptr;
}

// The largest width and height the driver takes for a 2D texture.
unsigned int maxTextureSize()
{
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size > 0 ? static_cast<unsigned int>(size) : 0;
}

bool exceedsDriverLimit(unsigned int width, unsigned int height)
{
    const unsigned int limit = maxTextureSize();
    return width > limit || height > limit;
}

bool hasUploadableSize(FIBITMAP* bitmap)
{
    const unsigned int width = FreeImage_GetWidth(bitmap);
    const unsigned int height = FreeImage_GetHeight(bitmap);
    return width != 0 && height != 0 && !exceedsDriverLimit(width, height);
}

bool isUploadable(FIBITMAP* bitmap)
{
    return bitmap != nullptr && FreeImage_GetBits(bitmap) != nullptr && hasUploadableSize(bitmap);
}

// A path that names neither a regular file nor a directory: FreeImage would
// block on a named pipe until a writer came and read a device that never
// ends. A directory it reads safely, as a file of no format it knows.
bool blocksOrNeverEnds(const std::string& path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    return std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
           !std::filesystem::is_directory(status);
}

// The format the content shows, else the one the extension names.
FREE_IMAGE_FORMAT detectFormat(const std::string& path)
{
    const FREE_IMAGE_FORMAT byContent = FreeImage_GetFileType(path.c_str(), 0);
    return byContent != FIF_UNKNOWN ? byContent : FreeImage_GetFIFFromFilename(path.c_str());
}

bool claimsMoreThanTheDriverTakes(const std::string& path)
{
    if (blocksOrNeverEnds(path)) {
        return false;
    }
    const FREE_IMAGE_FORMAT format = detectFormat(path);
    const std::optional<ImageHeader::Size> claimed = ImageHeader::claimedSize(path, format);
    return claimed && exceedsDriverLimit(claimed->width, claimed->height);
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

// The image as 32-bit blue-green-red-alpha pixels, or null after the lines
// that say why not.
Bitmap readPixels(const std::string& path, const std::string& fileName)
{
    if (claimsMoreThanTheDriverTakes(path)) {
        Log::error(component, "Invalid texture '" + fileName + "'");
        return nullptr;
    }
    Bitmap loaded(TextureManager::loadImage(path));
    if (!loaded) {
        Log::error(component, "Cannot read file '" + fileName + "'");
        return nullptr;
    }
    // Checked before the conversion too, which would allocate the pixels of
    // an oversized image once more.
    Bitmap image = isUploadable(loaded.get()) ? toBgra32(std::move(loaded)) : nullptr;
    if (!isUploadable(image.get())) {
        Log::error(component, "Invalid texture '" + fileName + "'");
        return nullptr;
    }
    return image;
}

// FreeImage says what it finds wrong with a file through this one hook, and
// drops the message when none is set.
void logFreeImageMessage(FREE_IMAGE_FORMAT, const char* message)
{
    Log::error(component, message != nullptr ? message : "");
}

// Debian's FreeImage reads TIFF files through the system's libtiff, whose
// default handlers print to standard error: a warning for every tag it does
// not know, and an error for every EXIF tag that FreeImage asks for and the
// file lacks, over a hundred lines for one ordinary TIFF. A failed load
// still reaches the log, through FreeImage's message and the lines of the
// texture manager.
void routeLibraryMessages()
{
    FreeImage_SetOutputMessage(logFreeImageMessage);
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
}

} // namespace

TextureManager::TextureManager(std::string textureDirectory)
    : textureDirectory(std::move(textureDirectory))
{
    routeLibraryMessages();
}

Texture* TextureManager::addTexture(const std::string& fileName, int textureUnit, const std::string& samplerName,
                                    int internalFormat, unsigned int format, int minFilter, int magFilter, int wrapS,
                                    int wrapT)
{
    const std::string key = fileStem(fileName);
    if (Texture* registered = textures.existing(key)) {
        return registered;
    }
    const Bitmap image = readPixels(textureDirectory + fileName, fileName);
    if (!image) {
        return nullptr;
    }
    const int width = static_cast<int>(FreeImage_GetWidth(image.get()));
    const int height = static_cast<int>(FreeImage_GetHeight(image.get()));

    // FreeImage keeps the rows bottom-up, which is where GL puts its texture
    // origin, so the pixels go up as they are.
    const GLuint id = generateOnUnit(GL_TEXTURE_2D, textureUnit);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, GL_UNSIGNED_BYTE,
                 FreeImage_GetBits(image.get()));
    glGenerateMipmap(GL_TEXTURE_2D);
    setFilters(GL_TEXTURE_2D, minFilter, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapS);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapT);
    glBindTexture(GL_TEXTURE_2D, 0);

    Texture* texture = textures.insert(
        key, std::make_unique<Texture>(id, textureUnit, GL_TEXTURE_2D, samplerName, width, height));
    Log::info(component, "Texture '" + fileName + "' added successfully as '" + key + "'");
    return texture;
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

// The shared FreeImage library registers its format plugins when it is
// loaded, so there is no FreeImage_Initialise call to make first.
FIBITMAP* TextureManager::loadImage(const std::string& path)
{
    if (blocksOrNeverEnds(path)) {
        return nullptr;
    }
    const FREE_IMAGE_FORMAT format = detectFormat(path);
    if (format == FIF_UNKNOWN) {
        Log::error(component, "Unrecognized file format '" + path + "'");
        return nullptr;
    }
    // FreeImage's X bitmap reader never returns from a file whose data end
    // before the size it claims, so that format counts as one it cannot read.
    if (!FreeImage_FIFSupportsReading(format) || format == FIF_XBM) {
        Log::error(component, "Unsupported file format '" + path + "'");
        return nullptr;
    }
    // FreeImage would only say once more, in a message of its own, that a
    // missing file cannot be opened.
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return nullptr;
    }
    // A header can claim a size no texture can have, and FreeImage would
    // allocate the pixels before any check could look at it. Where the
    // format lets the header be read alone, such a header is returned
    // without pixels instead, which the caller refuses as invalid.
    if (FreeImage_FIFSupportsNoPixels(format)) {
        Bitmap header(FreeImage_Load(format, path.c_str(), FIF_LOAD_NOPIXELS));
        if (!header || !hasUploadableSize(header.get())) {
            return header.release();
        }
    }
    return FreeImage_Load(format, path.c_str(), 0);
}

Texture* TextureManager::getTexture(const std::string& name) const
{
    return textures.get(name);
}

Texture* TextureManager::findTexture(const std::string& name) const
{
    return textures.find(name);
}

void TextureManager::cleanUp()
{
    textures.forEach([](const Texture& texture) { texture.release(); });
    textures.clear();
}
