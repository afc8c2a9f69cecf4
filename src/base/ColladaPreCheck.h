#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A look at a Collada file before Assimp imports it, for what its import
// cannot survive, with a reason the user can act on. It reads the document
// with pugixml, as Assimp does, and walks it without recursion: Assimp's
// reader recurses into nested elements and crashes some hundred thousand
// levels down; the node tree, the data arrays and the chains of names are
// the business of ColladaInstanceCheck, ColladaDataCheck and
// ColladaChainCheck. Assimp would also wait on a named pipe for a writer
// for ever. Whatever these checks miss, the import's bound still catches.
class ColladaPreCheck {
public:
    // Far above any model a renderer of this kind draws; beyond it the
    // document cannot be checked without holding all of it in memory.
    static constexpr std::uintmax_t maxDocumentBytes = std::uintmax_t{1} << 30;
    // Twice the deepest node tree taken, so that such a tree still passes
    // with the elements around it.
    static constexpr std::size_t maxElementDepth = 2000;

    struct Verdict {
        bool safe = true;
        // Why not, to follow the file's name in a log line; empty for a
        // file that does not exist.
        std::string reason;
    };

    // Unsafe for a path that is no regular file, a file larger than
    // maxDocumentBytes, and a Collada document that one of the checks
    // refuses. Files that are no XML or hold no Collada document pass:
    // Assimp refuses them on its own.
    static Verdict check(const std::string& path);
};
