#pragma once

#include <cstdint>
#include <string>

// A look at a Collada file before Assimp imports it, for what its import
// cannot survive. Assimp builds a node for every <node> and every
// <instance_node> it meets, recursing into each; a node that instances
// itself, an ancestor, or a node that leads back to either sends it round
// for ever until its stack overflows. It also opens a named pipe and waits
// for a writer for ever.
class ColladaPreCheck {
public:
    // Far above any model a renderer of this kind draws; beyond it the
    // document cannot be checked without holding all of it in memory.
    static constexpr std::uintmax_t maxDocumentBytes = std::uintmax_t{1} << 30;

    // False for a path that is no regular file, a file larger than
    // maxDocumentBytes, or a Collada document whose scene instances itself.
    // Files that are no XML or hold no Collada document pass: Assimp
    // refuses them on its own.
    static bool isSafeToImport(const std::string& path);
};
