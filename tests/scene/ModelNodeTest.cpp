#include "scene/ModelNode.h"

#include "animation/Animation.h"

#include <assimp/anim.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// One empty channel per node name.
Animation channelsFor(const std::vector<std::string>& nodeNames)
{
    aiAnimation source;
    source.mNumChannels = static_cast<unsigned int>(nodeNames.size());
    source.mChannels = new aiNodeAnim*[nodeNames.size()];
    for (std::size_t i = 0; i < nodeNames.size(); ++i) {
        source.mChannels[i] = new aiNodeAnim();
        source.mChannels[i]->mNodeName = nodeNames[i];
    }
    return Animation(source);
}

ModelNode& addChild(ModelNode& parent, const std::string& name)
{
    parent.children.push_back(std::make_unique<ModelNode>());
    parent.children.back()->name = name;
    return *parent.children.back();
}

} // namespace

TEST(ModelNode, TiesEachChannelToTheFirstNodeOfItsNameDepthFirst)
{
    ModelNode root;
    ModelNode& arm = addChild(root, "arm");
    ModelNode& nestedHand = addChild(arm, "hand");
    ModelNode& laterHand = addChild(root, "hand");

    root.bindChannels(channelsFor({"missing", "hand", "arm"}));
    EXPECT_EQ(nestedHand.channelIndex, 1);
    EXPECT_EQ(laterHand.channelIndex, -1);
    EXPECT_EQ(arm.channelIndex, 2);
    EXPECT_EQ(root.channelIndex, -1);
}
