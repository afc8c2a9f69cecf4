// Feeds arbitrary bytes to the program's import path as it meets users'
// files: as a Collada file, through the pre-check in this process and
// through the bounded import, whose child runs Assimp on it; as the reply of
// such a child, straight to the scene reader; and as an image, through the
// bounded decode, whose child runs FreeImage on it. Whatever the bytes, the
// program must get a scene it can walk or none, pixels that fill their
// size or none after the line that says so, and go on.
#include "base/BoundedCall.h"
#include "base/ChildLauncher.h"
#include "base/ColladaPreCheck.h"
#include "base/MessageReader.h"
#include "base/SceneImport.h"
#include "base/SceneMessage.h"
#include "gpu/BoundedImageDecoder.h"

#include <assimp/scene.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
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

std::string temporaryFile(const std::string& extension)
{
    return "/tmp/glimmerhall-import-fuzz-" + std::to_string(getpid()) + "." + extension;
}

// The name decides the format only where the content does not; these are
// the formats whose headers and names the decode looks at.
const char* const imageExtensions[] = {"png", "pict", "xpm", "sgi", "dds", "wbmp", "gif", "tga"};

void requireWholeImage(const ImageDecoder::Result& image, unsigned int maxSize)
{
    if (image.decoded()) {
        require(image.width <= maxSize && image.height <= maxSize, "an image larger than the driver takes");
        require(image.pixels.size() == std::size_t{4} * image.width * image.height,
                "pixels that do not fill the image");
        return;
    }
    require(!image.errors.empty(), "an image refused without a line");
    const std::string& last = image.errors.back();
    require(last.rfind("Cannot read file '", 0) == 0 || last.rfind("Invalid texture '", 0) == 0,
            "an image refused without its failure line");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The import's lines would only bury the fuzzer's own.
    static std::ostringstream discarded;
    std::cout.rdbuf(discarded.rdbuf());
    // The children are forked from the launcher, as in the program, and
    // cost a fraction of forking the fuzzer once it has grown.
    ChildLauncher::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    MessageReader reply(bytes);
    if (const std::unique_ptr<aiScene> scene = SceneMessage::read(reply)) {
        requireUsable(*scene);
    }

    const std::string path = temporaryFile("dae");
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

    constexpr unsigned int maxSize = 4096;
    const std::string image = temporaryFile(imageExtensions[size % std::size(imageExtensions)]);
    std::ofstream(image, std::ios::binary) << bytes;
    requireWholeImage(BoundedImageDecoder::decode(image, "fuzz", ImageDecoder::Use::Colour, maxSize, fuzzLimits),
                      maxSize);
    std::remove(image.c_str());
    return 0;
}
