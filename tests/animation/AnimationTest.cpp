#include "animation/Animation.h"
#include "animation/AnimationClock.h"

#include "LogCapture.h"

#include <assimp/anim.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using Animations = std::vector<std::unique_ptr<Animation>>;

// One empty channel per node name.
Animation makeAnimation(double duration, double ticksPerSecond, const std::vector<std::string>& nodeNames)
{
    aiAnimation source;
    source.mDuration = duration;
    source.mTicksPerSecond = ticksPerSecond;
    source.mNumChannels = static_cast<unsigned int>(nodeNames.size());
    // aiAnimation frees the channel array only when it counts channels, so
    // an empty one must not be allocated at all.
    source.mChannels = nodeNames.empty() ? nullptr : new aiNodeAnim*[nodeNames.size()];
    for (std::size_t i = 0; i < nodeNames.size(); ++i) {
        source.mChannels[i] = new aiNodeAnim();
        source.mChannels[i]->mNodeName = nodeNames[i];
    }
    return Animation(source);
}

Animations single(double duration, double ticksPerSecond)
{
    Animations animations;
    animations.push_back(std::make_unique<Animation>(makeAnimation(duration, ticksPerSecond, {"node"})));
    return animations;
}

} // namespace

TEST(Animation, KeepsAZeroRateAndFindsOnlyExistingChannels)
{
    const Animation animation = makeAnimation(42.5, 0.0, {"hip", "knee"});
    EXPECT_EQ(animation.ticksPerSecond, 0.0);
    EXPECT_EQ(animation.getChannel(1)->nodeName, "knee");
    EXPECT_EQ(animation.getChannel(2), nullptr);
    EXPECT_EQ(animation.getChannel(static_cast<unsigned int>(-1)), nullptr);
    EXPECT_EQ(makeAnimation(1.0, 1.0, {}).getChannel(0), nullptr);
}

TEST(AnimationClock, AccumulatesSecondsAndWrapsTicksKeepingTheSign)
{
    const Animations animations = single(10.0, 1.0);
    AnimationClock clock;
    EXPECT_DOUBLE_EQ(*clock.advance(23.5, 0, animations), 3.5);
    EXPECT_DOUBLE_EQ(*clock.advance(10.0, 0, animations), 3.5);
    EXPECT_DOUBLE_EQ(*clock.advance(-46.0, 0, animations), -2.5);

    AnimationClock stopped;
    EXPECT_EQ(*stopped.advance(7.25, 0, single(10.0, 0.0)), 0.0);
    AnimationClock instant;
    EXPECT_TRUE(std::isnan(*instant.advance(1.0, 0, single(0.0, 1.0))));
}

TEST(AnimationClock, RejectsAMissingAnimationWithoutAdvancing)
{
    const Animations animations = single(10.0, 1.0);
    AnimationClock clock;
    clock.advance(2.0, 0, animations);

    LogCapture log;
    EXPECT_FALSE(clock.advance(1.0, 1, animations).has_value());
    EXPECT_FALSE(clock.advance(1.0, 0, {}).has_value());
    EXPECT_EQ(log.lines(), std::vector<std::string>(2, "ERROR CameraAnimation: Invalid animation number"));
    EXPECT_DOUBLE_EQ(clock.seconds(), 2.0);
}
