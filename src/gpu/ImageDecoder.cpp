#include "gpu/ImageDecoder.h"

#include "gpu/ImageHeader.h"

#include <FreeImage.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

namespace {

struct BitmapUnloader {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
// Owning bitmaps release themselves on whichever path a decode gives up.
using Bitmap = std::unique_ptr<FIBITMAP, BitmapUnloader>;
using Lines = std::vector<std::string>;

// The lines of the decode under way. FreeImage's message hook takes no
// context of its own; outside a decode nobody asked, and the message goes.
Lines* decodeLines = nullptr;

class CollectedMessages {
public:
    explicit CollectedMessages(Lines& lines) { decodeLines = &lines; }
    ~CollectedMessages() { decodeLines = nullptr; }
    CollectedMessages(const CollectedMessages&) = delete;
    CollectedMessages& operator=(const CollectedMessages&) = delete;
};

void collectFreeImageMessage(FREE_IMAGE_FORMAT, const char* message)
{
    if (decodeLines != nullptr) {
        decodeLines->push_back(message != nullptr ? message : "");
    }
}

bool exceeds(unsigned int width, unsigned int height, unsigned int maxSize)
{
    return width > maxSize || height > maxSize;
}

bool hasUploadableSize(FIBITMAP* bitmap, unsigned int maxSize)
{
    const unsigned int width = FreeImage_GetWidth(bitmap);
    const unsigned int height = FreeImage_GetHeight(bitmap);
    return width != 0 && height != 0 && !exceeds(width, height, maxSize);
}

bool isUploadable(FIBITMAP* bitmap, unsigned int maxSize)
{
    return bitmap != nullptr && FreeImage_GetBits(bitmap) != nullptr && hasUploadableSize(bitmap, maxSize);
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

// What a size a header claims rules out beside the driver's limit, to
// follow the file's name: more texels than an image may have, and more than
// the file's bytes hold where the format stores its pixels as they are.
std::optional<std::string> claimProblem(const std::string& path, FREE_IMAGE_FORMAT format, unsigned int width,
                                        unsigned int height)
{
    const std::string claim = "claims " + std::to_string(width) + " x " + std::to_string(height) + " texels";
    if (std::uint64_t{width} * height > ImageDecoder::maxTexels) {
        return claim + ", more than the " + std::to_string(ImageDecoder::maxTexels) + " an image may have";
    }
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(path, error);
    const std::optional<std::uint64_t> least = ImageHeader::leastFileBytes(path, format);
    if (!error && least && bytes < *least) {
        return claim + ", more than its " + std::to_string(bytes) + " bytes hold";
    }
    return std::nullopt;
}

// For the formats whose headers FreeImage cannot read alone: the line of a
// size beyond the driver's limit, or the two of a claim ruled out otherwise;
// none for a size that may be decoded.
Lines claimRefusal(const std::string& path, const std::string& fileName, unsigned int maxSize)
{
    if (blocksOrNeverEnds(path)) {
        return {};
    }
    const FREE_IMAGE_FORMAT format = detectFormat(path);
    const std::optional<ImageHeader::Size> claimed = ImageHeader::claimedSize(path, format);
    if (!claimed) {
        return {};
    }
    const Lines invalid{"Invalid texture '" + fileName + "'"};
    if (exceeds(claimed->width, claimed->height, maxSize)) {
        return invalid;
    }
    const std::optional<std::string> problem = claimProblem(path, format, claimed->width, claimed->height);
    return problem ? Lines{"'" + fileName + "' " + *problem, invalid.front()} : Lines{};
}

// FreeImage's PICT reader never returns from a few bytes of text, and its
// XPM reader takes a minute for every gigabyte of zeros: a file of either
// is read only when its content says what it is, not its name alone.
bool onlyNamedAs(const std::string& path, FREE_IMAGE_FORMAT format)
{
    return (format == FIF_PICT || format == FIF_XPM) && FreeImage_GetFileType(path.c_str(), 0) != format;
}

// Identifies the format by content, then by extension, and loads the file;
// null when it cannot, after the lines that say why where there are any.
// The shared FreeImage library registers its format plugins when it is
// loaded, so there is no FreeImage_Initialise call to make first.
Bitmap loadImage(const std::string& path, const std::string& fileName, unsigned int maxSize, Lines& errors)
{
    if (blocksOrNeverEnds(path)) {
        return nullptr;
    }
    const FREE_IMAGE_FORMAT format = detectFormat(path);
    if (format == FIF_UNKNOWN) {
        errors.push_back("Unrecognized file format '" + path + "'");
        return nullptr;
    }
    // FreeImage's X bitmap reader never returns from a file whose data end
    // before the size it claims, so that format counts as one it cannot read.
    if (!FreeImage_FIFSupportsReading(format) || format == FIF_XBM) {
        errors.push_back("Unsupported file format '" + path + "'");
        return nullptr;
    }
    // FreeImage would only say once more, in a message of its own, that a
    // missing file cannot be opened.
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return nullptr;
    }
    if (onlyNamedAs(path, format)) {
        errors.push_back("'" + fileName + "' holds no " + (format == FIF_PICT ? "PICT" : "XPM") +
                         " image, only its name says so");
        return nullptr;
    }
    // A header can claim a size no texture can have, and FreeImage would
    // allocate the pixels before any check could look at it. Where the
    // format lets the header be read alone, such a header is returned
    // without pixels instead, which the caller refuses as invalid.
    if (FreeImage_FIFSupportsNoPixels(format)) {
        Bitmap header(FreeImage_Load(format, path.c_str(), FIF_LOAD_NOPIXELS));
        if (!header || !hasUploadableSize(header.get(), maxSize)) {
            return header;
        }
        const std::optional<std::string> problem =
            claimProblem(path, format, FreeImage_GetWidth(header.get()), FreeImage_GetHeight(header.get()));
        if (problem) {
            errors.push_back("'" + fileName + "' " + *problem);
            return header;
        }
    }
    return Bitmap(FreeImage_Load(format, path.c_str(), 0));
}

// Components per texel of the float layouts; 0 for every other layout.
unsigned int floatComponents(FREE_IMAGE_TYPE type)
{
    switch (type) {
    case FIT_FLOAT:
        return 1;
    case FIT_RGBF:
        return 3;
    case FIT_RGBAF:
        return 4;
    default:
        return 0;
    }
}

// Visits every component of a float bitmap's rows, leaving out the padding
// at their ends.
template <typename Visit>
void forEachComponent(FIBITMAP* bitmap, Visit visit)
{
    const unsigned int perRow = floatComponents(FreeImage_GetImageType(bitmap)) * FreeImage_GetWidth(bitmap);
    for (unsigned int y = 0; y < FreeImage_GetHeight(bitmap); ++y) {
        auto* row = reinterpret_cast<float*>(FreeImage_GetScanLine(bitmap, static_cast<int>(y)));
        std::for_each(row, row + perRow, visit);
    }
}

// Clamps every NaN or infinite component into the range of the finite
// ones: infinity to the brightest, minus infinity and NaN to the darkest.
// One infinite texel would otherwise set the brightness that tone mapping
// and rescaling divide by, and every other texel would come out black.
// Whether there was any.
bool makeFinite(FIBITMAP* bitmap)
{
    float lowest = std::numeric_limits<float>::max();
    float highest = std::numeric_limits<float>::lowest();
    bool anyNonFinite = false;
    forEachComponent(bitmap, [&](float value) {
        if (std::isfinite(value)) {
            lowest = std::min(lowest, value);
            highest = std::max(highest, value);
        } else {
            anyNonFinite = true;
        }
    });
    if (!anyNonFinite) {
        return false;
    }
    if (lowest > highest) {
        lowest = highest = 0.0f;
    }
    forEachComponent(bitmap, [lowest, highest](float& value) {
        if (std::isnan(value)) {
            value = lowest;
        } else if (std::isinf(value)) {
            value = value > 0.0f ? highest : lowest;
        }
    });
    return true;
}

BYTE unitToByte(float value)
{
    return static_cast<BYTE>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f);
}

// A normal map's components encode directions on 0..1, so they go to 8 bits
// linearly, as an 8-bit file of the same map holds them: a flat float map
// draws exactly like a flat PNG.
Bitmap linearToBgra32(FIBITMAP* bitmap)
{
    const unsigned int components = floatComponents(FreeImage_GetImageType(bitmap));
    const unsigned int width = FreeImage_GetWidth(bitmap);
    const unsigned int height = FreeImage_GetHeight(bitmap);
    Bitmap converted(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 32));
    if (!converted) {
        return nullptr;
    }
    for (unsigned int y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const float*>(FreeImage_GetScanLine(bitmap, static_cast<int>(y)));
        BYTE* target = FreeImage_GetScanLine(converted.get(), static_cast<int>(y));
        for (unsigned int x = 0; x < width; ++x) {
            const float* texel = source + static_cast<std::size_t>(x) * components;
            BYTE* out = target + 4 * static_cast<std::size_t>(x);
            const bool grey = components == 1;
            out[FI_RGBA_RED] = unitToByte(texel[0]);
            out[FI_RGBA_GREEN] = unitToByte(grey ? texel[0] : texel[1]);
            out[FI_RGBA_BLUE] = unitToByte(grey ? texel[0] : texel[2]);
            out[FI_RGBA_ALPHA] = components == 4 ? unitToByte(texel[3]) : 255;
        }
    }
    return converted;
}

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
Bitmap toBgra32(Bitmap bitmap, ImageDecoder::Use use)
{
    const FREE_IMAGE_TYPE type = FreeImage_GetImageType(bitmap.get());
    if (type == FIT_BITMAP && FreeImage_GetBPP(bitmap.get()) == 32) {
        return bitmap;
    }
    if (type == FIT_BITMAP || type == FIT_RGB16 || type == FIT_RGBA16) {
        return Bitmap(FreeImage_ConvertTo32Bits(bitmap.get()));
    }
    if (use == ImageDecoder::Use::NormalMap && floatComponents(type) > 0) {
        return linearToBgra32(bitmap.get());
    }
    const Bitmap narrowed = toEightBitsPerChannel(bitmap.get());
    return narrowed ? Bitmap(FreeImage_ConvertTo32Bits(narrowed.get())) : nullptr;
}

// The rows of a 32-bit bitmap, bottom row first, without any padding.
std::vector<std::uint8_t> packedPixels(FIBITMAP* bitmap)
{
    const std::size_t rowBytes = 4 * static_cast<std::size_t>(FreeImage_GetWidth(bitmap));
    const unsigned int height = FreeImage_GetHeight(bitmap);
    std::vector<std::uint8_t> pixels(rowBytes * height);
    for (unsigned int y = 0; y < height; ++y) {
        std::memcpy(pixels.data() + rowBytes * y, FreeImage_GetScanLine(bitmap, static_cast<int>(y)), rowBytes);
    }
    return pixels;
}

// The image as 32-bit blue-green-red-alpha pixels, or null after the lines
// that say why not.
Bitmap readBgra32(const std::string& path, const std::string& fileName, ImageDecoder::Use use,
                  unsigned int maxSize, ImageDecoder::Result& result)
{
    const Lines refusal = claimRefusal(path, fileName, maxSize);
    if (!refusal.empty()) {
        result.errors.insert(result.errors.end(), refusal.begin(), refusal.end());
        return nullptr;
    }
    Bitmap loaded = loadImage(path, fileName, maxSize, result.errors);
    if (!loaded) {
        result.errors.push_back("Cannot read file '" + fileName + "'");
        return nullptr;
    }
    // Checked before the conversion too, which would allocate the pixels of
    // an oversized image once more.
    if (!isUploadable(loaded.get(), maxSize)) {
        result.errors.push_back("Invalid texture '" + fileName + "'");
        return nullptr;
    }
    result.convertedForUse = floatComponents(FreeImage_GetImageType(loaded.get())) > 0;
    if (result.convertedForUse && makeFinite(loaded.get())) {
        result.errors.push_back("Texture '" + fileName + "' has texels that are not finite");
    }
    Bitmap image = toBgra32(std::move(loaded), use);
    if (!isUploadable(image.get(), maxSize)) {
        result.errors.push_back("Invalid texture '" + fileName + "'");
        return nullptr;
    }
    return image;
}

} // namespace

ImageDecoder::Result ImageDecoder::decode(const std::string& path, const std::string& fileName, Use use,
                                          unsigned int maxSize)
{
    Result result;
    const CollectedMessages collecting(result.errors);
    const Bitmap image = readBgra32(path, fileName, use, maxSize, result);
    if (image) {
        result.width = FreeImage_GetWidth(image.get());
        result.height = FreeImage_GetHeight(image.get());
        result.pixels = packedPixels(image.get());
    }
    return result;
}

// Debian's FreeImage reads TIFF files through the system's libtiff, whose
// default handlers print to standard error: a warning for every tag it does
// not know, and an error for every EXIF tag that FreeImage asks for and the
// file lacks, over a hundred lines for one ordinary TIFF. A failed load
// still reaches the log, through FreeImage's message and the decode's own
// lines.
void ImageDecoder::routeLibraryMessages()
{
    FreeImage_SetOutputMessage(collectFreeImageMessage);
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
}
