#pragma once

#include <optional>
#include <string>

// A file name up to, not including, its first "."; the whole name when it
// has none. Textures and models are registered under it.
std::string fileStem(const std::string& fileName);

// The bare file name that a texture path from a model file stands for:
// the path up to its first zero byte, less everything up to its last '/'
// or '\' (Windows and Unix directories alike, drive letters included).
// Nothing when that leaves "", "." or "..", which would name the texture
// directory or its parent rather than an image inside it.
std::optional<std::string> textureFileName(const std::string& path);
