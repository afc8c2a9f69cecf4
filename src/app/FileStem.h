#pragma once

#include <string>

// A file name up to, not including, its first "."; the whole name when it
// has none. Textures and models are registered under it.
std::string fileStem(const std::string& fileName);
