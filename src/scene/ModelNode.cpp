#include "scene/ModelNode.h"

#include "animation/Animation.h"

ModelNode* ModelNode::find(const std::string& nodeName)
{
    if (name == nodeName) {
        return this;
    }
    for (const auto& child : children) {
        if (ModelNode* found = child->find(nodeName)) {
            return found;
        }
    }
    return nullptr;
}

void ModelNode::bindChannels(const Animation& animation)
{
    for (std::size_t i = 0; i < animation.channels.size(); ++i) {
        if (ModelNode* node = find(animation.channels[i]->nodeName)) {
            node->channelIndex = static_cast<std::int32_t>(i);
        }
    }
}
