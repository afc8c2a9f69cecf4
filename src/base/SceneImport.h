#pragma once

#include "base/BoundedCall.h"

#include <memory>
#include <string>
#include <string_view>

struct aiScene;

// Reads a Collada file through Assimp in a child process of its own
// (BoundedCall): the Collada pre-check, the import and the post-processing
// all run there, and the program takes back a copy of the scene
// (SceneMessage). Whatever the libraries do on the file, the program gets a
// scene or none.
class SceneImport {
public:
    // The scene, or null when the file could not be imported. The import
    // logs nothing of its own for a missing file or one Assimp refuses;
    // a file the pre-check refuses, a child that crashed or overran a limit
    // and a reply that is no scene each get one error line under the
    // component, saying why.
    static std::unique_ptr<aiScene> read(const std::string& path, unsigned int postProcessing,
                                         std::string_view component,
                                         const BoundedCall::Limits& limits = BoundedCall::fileLimits);
};
