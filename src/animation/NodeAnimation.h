#pragma once

#include "animation/QuatKey.h"
#include "animation/VectorKey.h"

#include <glm/mat4x4.hpp>

#include <string>
#include <vector>

struct aiNodeAnim;

// One animation channel: the key lists of one node, copied from Assimp in
// their imported order and count. The three lists are independent.
class NodeAnimation {
public:
    explicit NodeAnimation(const aiNodeAnim& channel);

    // The local transform T * R * S at time (in ticks), each list sampled on
    // its own; an empty list contributes the identity.
    glm::mat4 sample(double time) const;
    // False when a key's time or value is NaN or infinite; sampling near
    // such a key gives a transform that is not finite either.
    bool hasFiniteKeys() const;

    std::string nodeName;
    std::vector<VectorKey> positionKeys;
    std::vector<VectorKey> scalingKeys;
    std::vector<QuatKey> rotationKeys;
};
