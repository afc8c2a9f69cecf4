#pragma once

#include <glm/mat4x4.hpp>

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

    std::string name;
    std::vector<std::uint32_t> meshIndices;
    std::vector<std::unique_ptr<ModelNode>> children;
    // Relative to the parent; animated nodes get a new one every frame.
    glm::mat4 localTransform;
    // The channel that drives the node; -1 for none.
    std::int32_t channelIndex = -1;
};
