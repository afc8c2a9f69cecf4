#include "scene/ModelNode.h"

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
