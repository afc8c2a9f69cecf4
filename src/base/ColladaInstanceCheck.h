#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <pugixml.hpp>

// The node tree Assimp builds from a Collada document's scene: a node for
// every <node> nested in it and for every node an <instance_node> refers
// to, recursively, each instance built anew. Assimp's import recurses
// through that tree: a node that instances itself, an ancestor, or a node
// that leads back to either sends it round until its stack overflows, some
// thousands of levels crash it too, and a scene whose nodes instance the
// level below twice builds two to the power of its depth nodes in a file of
// a few kilobytes.
class ColladaInstanceCheck {
public:
    // The deepest tree taken, the scene's root node at depth 1: as deep as
    // the program walks a model's nodes.
    static constexpr std::size_t maxDepth = 1000;
    // Nodes built beyond the <node> elements the tree is made of, through
    // instances. Ten thousand copies of a quad take seconds a frame to draw.
    static constexpr std::uint64_t maxInstancedNodes = 10000;

    // Empty when the document has no scene or builds a finite tree within
    // the limits; otherwise why not, to follow the file's name.
    static std::string problem(const pugi::xml_node& collada);
};
