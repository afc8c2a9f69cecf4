#pragma once

#include <cstddef>
#include <string>

// Collada documents made in memory for the tests: a sound one, and ones of
// each kind that Assimp cannot survive, or survives only so far.
namespace ColladaForgery {

// A quad under a node "quad" with a red material. The libraries go before
// the visual scene, the node content into the quad's node.
std::string document(const std::string& libraries = "", const std::string& inQuadNode = "");
// The same with the quad's material textured through the effect parameters
// given (a <texture texture="sampler">).
std::string texturedDocument(const std::string& parameters);

// Controllers whose sources lead back to themselves: a skin naming its own
// controller, and two morphs naming each other.
std::string skinNamingItsController();
std::string morphsNamingEachOther();
// A sampler whose source names itself, and a surface and a sampler naming
// each other, behind a material's texture.
std::string samplerNamingItself();
std::string surfaceAndSamplerNamingEachOther();
// The quad's positions read from an offset far past their array.
std::string accessorPastItsArray(std::size_t offset);
// Elements of the name nested depth deep inside an extra library.
std::string nestedElements(const std::string& name, std::size_t depth);
// Library nodes each instancing the one before, the last one instanced by
// the quad's node.
std::string instanceChain(std::size_t length);
// Library nodes each instancing the one before twice, the quad at the
// bottom: two to the power of levels quads.
std::string doublingInstances(std::size_t levels);
// An animation of the quad's node with the number of keys, one a tick.
std::string keyedAnimation(std::size_t keys);
// A rotation of the quad's node whose angle turns by the degrees from its
// first key to its second.
std::string angleStep(const std::string& degrees);
// A sound file with a <skew> in the quad's transform stack.
std::string skewedNode();
// The quad skinned to four joints, its weights naming a joint far past
// them.
std::string skinWithJointPastItsList();

} // namespace ColladaForgery
