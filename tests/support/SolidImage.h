#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

// Writes a 2 x 2 PNG of one RGBA colour, creating its folder; false when it
// cannot be saved.
bool writeSolidImage(const std::filesystem::path& path, std::array<std::uint8_t, 4> rgba);
