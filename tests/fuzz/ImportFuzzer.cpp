// Feeds arbitrary bytes to the program's import path as it meets users'
// files: as a Collada file, through the pre-check in this process and
// through the bounded import, whose child runs Assimp on it; and as the
// reply of such a child, straight to the scene reader. Whatever the bytes,
// the program must get a scene it can walk or none, and go on.
#include "base/BoundedCall.h"
#include "base/ColladaPreCheck.h"
#include "base/MessageReader.h"
#include "base/SceneImport.h"
#include "base/SceneMessage.h"

#include <assimp/scene.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

// Small, so that an input that makes Assimp run on costs a fraction of the
// fuzzer's time-out.
const BoundedCall::Limits fuzzLimits{std::chrono::seconds(2), std::uint64_t{256} << 20,
                                     std::chrono::milliseconds(4000), std::size_t{64} << 20};

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "import invariant broken: %s\n", what);
        std::abort();
    }
}

// What the program walks of a scene: faces whose indices name vertices, and
// a node tree no deeper than the cap.
void requireUsable(const aiScene& scene)
{
    for (unsigned int m = 0; m < scene.mNumMeshes; ++m) {
        const aiMesh& mesh = *scene.mMeshes[m];
        for (unsigned int f = 0; f < mesh.mNumFaces; ++f) {
            require(mesh.mFaces[f].mNumIndices <= 3, "a face of more than three indices");
            for (unsigned int i = 0; i < mesh.mFaces[f].mNumIndices; ++i) {
                require(mesh.mFaces[f].mIndices[i] < mesh.mNumVertices, "an index past the mesh's vertices");
            }
        }
    }
    if (scene.mRootNode != nullptr) {
        require(SceneMessage::nodeDepth(*scene.mRootNode) <= SceneMessage::maxNodeDepth, "a node tree too deep");
    }
}

std::string temporaryFile()
{
    return "/tmp/glimmerhall-import-fuzz-" + std::to_string(getpid()) + ".dae";
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The import's lines would only bury the fuzzer's own.
    static std::ostringstream discarded;
    std::cout.rdbuf(discarded.rdbuf());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    MessageReader reply(bytes);
    if (const std::unique_ptr<aiScene> scene = SceneMessage::read(reply)) {
        requireUsable(*scene);
    }

    const std::string path = temporaryFile();
    std::ofstream(path, std::ios::binary) << bytes;
    const ColladaPreCheck::Verdict verdict = ColladaPreCheck::check(path);
    require(verdict.safe == verdict.reason.empty(), "a refusal without a reason, or a reason without a refusal");
    // A model's post-processing, or a path file's none: one child an input
    // keeps the fuzzer's pace.
    const unsigned int flags = size % 2 == 0 ? 0x1049u : 0u;
    if (const std::unique_ptr<aiScene> scene = SceneImport::read(path, flags, "Fuzz", fuzzLimits)) {
        require(verdict.safe, "a scene from a file the pre-check refuses");
        requireUsable(*scene);
    }
    std::remove(path.c_str());
    return 0;
}
