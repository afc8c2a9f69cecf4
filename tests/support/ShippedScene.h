#pragma once

#include "RgbImage.h"

#include <filesystem>

// The scene the repository ships, as the tests that run it need it.

// What glClearColor(0.1, 0.1, 0.1, 1) gives in an 8-bit framebuffer.
constexpr RgbImage::Pixel clearColour{26, 26, 26};

// Copies the shipped shader/ and res/ folders into the directory, where the
// program finds them relative to its working directory.
void copyShippedScene(const std::filesystem::path& directory);

// Whether the picture shows more than the clear colour: the room fills most
// of the window in many shades.
bool showsTheScene(const RgbImage& picture);
