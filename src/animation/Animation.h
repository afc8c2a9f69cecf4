#pragma once

#include "animation/NodeAnimation.h"

#include <memory>
#include <string>
#include <vector>

struct aiAnimation;

// An imported animation: its timing and its channels, owned.
class Animation {
public:
    explicit Animation(const aiAnimation& animation);

    // The channel at index, or null when index is not below the channel
    // count (so -1 as an unsigned index is null too).
    const NodeAnimation* getChannel(unsigned int index) const;
    // One error line, under the owner's component, for each channel with a
    // key that is NaN or infinite. The owners keep their last finite pose
    // wherever such a key is sampled.
    void reportNonFiniteKeys(const std::string& component) const;

    std::string name;
    double duration = 0.0;       // in ticks
    double ticksPerSecond = 0.0; // 0 stays 0
    std::vector<std::unique_ptr<NodeAnimation>> channels;
};
