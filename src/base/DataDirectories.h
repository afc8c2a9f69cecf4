#pragma once

#include <string>

// Where the program finds its run-time data, relative to the working
// directory. A file's path is its folder's prefix followed directly by the
// file name.
struct DataDirectories {
    static inline const std::string assets{"res/assets/"};
    static inline const std::string textures{"res/texture/"};
    static inline const std::string shaders{"shader/"};
};
