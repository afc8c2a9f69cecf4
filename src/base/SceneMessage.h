#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct aiNode;
struct aiScene;
class MessageReader;
class MessageWriter;

// An imported scene as bytes, and back: what the program reads of a scene
// and nothing else. Meshes (positions, normals, tangents, bitangents, the
// first set of texture coordinates, faces of up to three indices, the
// material index), materials with all their properties, the node tree,
// animations with their channels and keys, and the names of cameras and
// lights.
//
// The scene read back is built by this code, not by Assimp's importer, and
// its reader checks every count, index and string against what the message
// holds and what the program can use: a message that does not describe
// such a scene reads as no scene. Two caps bound what it costs: the memory
// its structures take beside the message (each named record of Assimp's
// holds a string of a kilobyte, each face an array of its own), and how
// deep the program's recursive walks of the node tree go.
class SceneMessage {
public:
    // The deepest node tree read back, the root at depth 1.
    static constexpr std::size_t maxNodeDepth = 1000;
    // The most memory the scene read back may take, estimated from the
    // sizes of Assimp's structures and their arrays.
    static constexpr std::uint64_t maxSceneBytes = std::uint64_t{1} << 30;

    // The depth of the deepest node below and including the node, walked
    // without recursion.
    static std::size_t nodeDepth(const aiNode& root);

    static void write(const aiScene& scene, MessageWriter& message);
    // Null when the message does not hold one whole scene within the caps;
    // the reader has then failed.
    static std::unique_ptr<aiScene> read(MessageReader& message);
};
