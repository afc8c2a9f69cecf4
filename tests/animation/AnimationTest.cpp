#include "animation/Animation.h"
#include "animation/AnimationClock.h"
#include "scene/ModelNode.h"

#include "LogCapture.h"

#include <assimp/anim.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

// An Assimp animation with one empty channel per node name.
std::unique_ptr<aiAnimation> assimpAnimation(double duration, double ticksPerSecond,
                                             const std::vector<std::string>& nodeNames)
{
    auto animation = std::make_unique<aiAnimation>();
    animation->mName = "walk";
    animation->mDuration = duration;
    animation->mTicksPerSecond = ticksPerSecond;
    animation->mNumChannels = static_cast<unsigned int>(nodeNames.size());
    animation->mChannels = new aiNodeAnim*[nodeNames.size()];
    for (std::size_t i = 0; i < nodeNames.size(); ++i) {
        animation->mChannels[i] = new aiNodeAnim();
        animation->mChannels[i]->mNodeName = nodeNames[i];
    }
    return animation;
}

std::vector<std::unique_ptr<Animation>> animationList(double duration, double ticksPerSecond)
{
    std::vector<std::unique_ptr<Animation>> animations;
    animations.push_back(std::make_unique<Animation>(*assimpAnimation(duration, ticksPerSecond, {"node"})));
    return animations;
}

ModelNode& addChild(ModelNode& parent, const std::string& name)
{
    parent.children.push_back(std::make_unique<ModelNode>());
    parent.children.back()->name = name;
    return *parent.children.back();
}

} // namespace

TEST(Animation, CopiesTimingAndChannelsInOrderAndKeepsAZeroRate)
{
    const Animation animation(*assimpAnimation(42.5, 0.0, {"hip", "knee"}));
    EXPECT_EQ(animation.name, "walk");
    EXPECT_EQ(animation.duration, 42.5);
    EXPECT_EQ(animation.ticksPerSecond, 0.0);
    ASSERT_EQ(animation.channels.size(), 2u);
    EXPECT_EQ(animation.getChannel(1)->nodeName, "knee");
    EXPECT_EQ(animation.getChannel(2), nullptr);
    EXPECT_EQ(animation.getChannel(static_cast<unsigned int>(-1)), nullptr);

    const Animation still(*assimpAnimation(1.0, 1.0, {}));
    EXPECT_EQ(still.getChannel(0), nullptr);
}

TEST(Animation, TiesEachChannelToTheFirstNodeOfItsNameDepthFirst)
{
    ModelNode root;
    root.name = "root";
    ModelNode& arm = addChild(root, "arm");
    ModelNode& nestedHand = addChild(arm, "hand");
    ModelNode& laterHand = addChild(root, "hand");
    ModelNode& leg = addChild(root, "leg");

    const Animation animation(*assimpAnimation(1.0, 1.0, {"missing", "hand", "root"}), root);
    EXPECT_EQ(nestedHand.channelIndex, 1);
    EXPECT_EQ(laterHand.channelIndex, -1);
    EXPECT_EQ(root.channelIndex, 2);
    EXPECT_EQ(arm.channelIndex, -1);
    EXPECT_EQ(leg.channelIndex, -1);
    EXPECT_EQ(root.find("leg"), &leg);
    EXPECT_EQ(root.find("foot"), nullptr);
}

TEST(AnimationClock, AccumulatesSecondsAndWrapsTicksIntoTheDuration)
{
    const auto animations = animationList(10.0, 1.0);
    AnimationClock clock;
    EXPECT_DOUBLE_EQ(*clock.advance(23.5, 0, animations), 3.5);
    EXPECT_DOUBLE_EQ(*clock.advance(10.0, 0, animations), 3.5);
    EXPECT_DOUBLE_EQ(clock.seconds(), 33.5);

    const auto fast = animationList(750.0, 1000.0);
    AnimationClock frames;
    EXPECT_DOUBLE_EQ(*frames.advance(0.5, 0, fast), 500.0);
    EXPECT_DOUBLE_EQ(*frames.advance(0.5, 0, fast), 250.0);
}

TEST(AnimationClock, KeepsTheSignAndGivesNaNForAZeroDuration)
{
    AnimationClock backwards;
    EXPECT_DOUBLE_EQ(*backwards.advance(-12.5, 0, animationList(10.0, 1.0)), -2.5);

    AnimationClock stopped;
    EXPECT_EQ(*stopped.advance(7.25, 0, animationList(10.0, 0.0)), 0.0);

    AnimationClock instant;
    EXPECT_TRUE(std::isnan(*instant.advance(1.0, 0, animationList(0.0, 1.0))));
}

TEST(AnimationClock, RejectsAMissingAnimationWithoutAdvancing)
{
    const auto animations = animationList(10.0, 1.0);
    AnimationClock clock;
    clock.advance(2.0, 0, animations);

    LogCapture log;
    EXPECT_FALSE(clock.advance(1.0, 1, animations).has_value());
    EXPECT_FALSE(clock.advance(1.0, 0, {}).has_value());
    EXPECT_EQ(log.lines(), std::vector<std::string>(2, "ERROR CameraAnimation: Invalid animation number"));
    EXPECT_DOUBLE_EQ(clock.seconds(), 2.0);
}
