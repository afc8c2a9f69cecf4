#pragma once

#include <cstdint>
#include <string>

#include <pugixml.hpp>

// The data arrays of a Collada document against what reads them. Assimp
// reads an <accessor>'s elements without looking at the size of the array
// behind it, so an offset or a count past the array's end crashes it. It
// builds a node's animation keys by searching every channel from its first
// key for every key, quadratic in their number (a camera path of 100 000
// keys took 13 s, ten million would take a day), and samples a rotation
// angle every 90 degrees, so a key that jumps by 1e12 degrees makes it
// sample without end.
class ColladaDataCheck {
public:
    // Keys of one animation channel, counting the samples Assimp adds to a
    // turning angle: 50 000 take it about 3 s here.
    static constexpr std::uint64_t maxKeys = 50000;

    // Empty when every accessor stays inside its array and every channel
    // within the keys; otherwise why not, to follow the file's name.
    static std::string problem(const pugi::xml_node& collada);
};
