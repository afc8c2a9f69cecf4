#pragma once

#include <string>

#include <pugixml.hpp>

// Chains of names that Assimp follows until it reaches a name that leads
// nowhere, with no count of the steps: a controller's source (a <skin
// source>, or a <morph source>) naming another controller, whose own source
// is followed in turn, for every controller of the file whether anything
// uses it or not; and an effect's parameters, a <sampler2D>'s <source>
// naming a <surface> whose <init_from> names an image, followed from every
// <texture> of an effect that a material uses. A chain that leads back to
// where it passed keeps Assimp going round for ever.
class ColladaChainCheck {
public:
    // Empty when every chain ends; otherwise why not, to follow the file's
    // name.
    static std::string problem(const pugi::xml_node& collada);
};
