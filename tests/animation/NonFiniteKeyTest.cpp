#include "animation/NodeAnimation.h"

#include <assimp/anim.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double infinity = std::numeric_limits<double>::infinity();

// A channel of position keys alone, each key at (time, (x, 0, 0)).
NodeAnimation positionChannel(const std::vector<std::pair<double, float>>& keys)
{
    aiNodeAnim source;
    source.mNumPositionKeys = static_cast<unsigned int>(keys.size());
    source.mPositionKeys = new aiVectorKey[keys.size()];
    for (std::size_t i = 0; i < keys.size(); ++i) {
        source.mPositionKeys[i] = aiVectorKey(keys[i].first, aiVector3D(keys[i].second, 0.0f, 0.0f));
    }
    return NodeAnimation(source);
}

float sampledX(const NodeAnimation& channel, double time)
{
    return channel.sample(time)[3][0];
}

} // namespace

TEST(NonFiniteKeys, KeyTimesThatAreNotFiniteHoldAKeyInsteadOfBlendingByNaN)
{
    struct Case {
        std::string what;
        std::vector<std::pair<double, float>> keys;
        double time;
        float expectedX;
    };
    const std::vector<Case> cases = {
        {"a NaN time between two keys, just after it", {{0, 1}, {notANumber, 2}, {10, 3}}, 5.0, 2.0f},
        {"a NaN first time", {{notANumber, 1}, {10, 3}}, 5.0, 1.0f},
        {"a first key at minus infinity", {{-infinity, 1}, {0, 3}}, -5.0, 1.0f},
        // An infinite end leaves the blend factor at 0: the first key.
        {"a last key at infinity", {{0, 1}, {infinity, 3}}, 5.0, 1.0f},
        {"a sound blend next to them", {{0, 1}, {10, 3}, {notANumber, 7}}, 5.0, 2.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const NodeAnimation channel = positionChannel(c.keys);
        EXPECT_FALSE(channel.hasFiniteKeys());
        const float x = sampledX(channel, c.time);
        ASSERT_TRUE(std::isfinite(x));
        EXPECT_FLOAT_EQ(x, c.expectedX);
    }
    EXPECT_TRUE(positionChannel({{0, 1}, {10, 3}}).hasFiniteKeys());
}

TEST(NonFiniteKeys, AnyListWithANonFiniteTimeOrValueMarksTheChannel)
{
    const float nanValue = std::numeric_limits<float>::quiet_NaN();
    const float infValue = std::numeric_limits<float>::infinity();
    struct Case {
        std::string what;
        aiVectorKey position;
        aiQuatKey rotation;
        aiVectorKey scaling;
        bool finite;
    };
    const aiVectorKey place(0, aiVector3D(1, 2, 3));
    const aiQuatKey turn(0, aiQuaternion(1, 0, 0, 0));
    const aiVectorKey size(0, aiVector3D(1, 1, 1));
    const std::vector<Case> cases = {
        {"all sound", place, turn, size, true},
        {"a NaN position", aiVectorKey(0, aiVector3D(nanValue, 0, 0)), turn, size, false},
        {"an infinite rotation", place, aiQuatKey(0, aiQuaternion(1, 0, infValue, 0)), size, false},
        {"a NaN scaling time", place, turn, aiVectorKey(notANumber, aiVector3D(1, 1, 1)), false},
        {"an infinite scaling", place, turn, aiVectorKey(0, aiVector3D(1, -infValue, 1)), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        aiNodeAnim source;
        source.mNumPositionKeys = source.mNumRotationKeys = source.mNumScalingKeys = 1;
        source.mPositionKeys = new aiVectorKey[1]{c.position};
        source.mRotationKeys = new aiQuatKey[1]{c.rotation};
        source.mScalingKeys = new aiVectorKey[1]{c.scaling};
        EXPECT_EQ(NodeAnimation(source).hasFiniteKeys(), c.finite);
    }
}
