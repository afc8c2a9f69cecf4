#pragma once

#include <glm/mat4x4.hpp>

class Animation;

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One node of a model's hierarchy.
class ModelNode {
public:
    // The first node with exactly this name, depth first: a node before its
    // children, children in order. Null when there is none.
    ModelNode* find(const std::string& nodeName);
    // Gives each node of the tree that a channel of the animation drives
    // (the first found with the channel's node name) that channel's index.
    void bindChannels(const Animation& animation);

    std::string name;
    std::vector<std::uint32_t> meshIndices;
    std::vector<std::unique_ptr<ModelNode>> children;
    // Relative to the parent; animated nodes get a new one every frame.
    glm::mat4 localTransform;
    // The channel that drives the node; -1 for none.
    std::int32_t channelIndex = -1;
};
