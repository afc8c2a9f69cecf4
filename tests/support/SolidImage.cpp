#include "SolidImage.h"

#include <FreeImage.h>

bool writeSolidImage(const std::filesystem::path& path, std::array<std::uint8_t, 4> rgba)
{
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    FIBITMAP* bitmap = FreeImage_Allocate(2, 2, 32);
    for (unsigned int y = 0; y < 2; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap, static_cast<int>(y));
        for (unsigned int x = 0; x < 2; ++x) {
            row[4 * x + FI_RGBA_RED] = rgba[0];
            row[4 * x + FI_RGBA_GREEN] = rgba[1];
            row[4 * x + FI_RGBA_BLUE] = rgba[2];
            row[4 * x + FI_RGBA_ALPHA] = rgba[3];
        }
    }
    const bool saved = FreeImage_Save(FIF_PNG, bitmap, path.string().c_str(), 0) != 0;
    FreeImage_Unload(bitmap);
    return saved;
}
