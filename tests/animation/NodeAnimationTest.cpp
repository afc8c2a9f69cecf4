#include "animation/NodeAnimation.h"

#include <assimp/anim.h>
#include <glm/gtc/epsilon.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

const double notANumber = std::numeric_limits<double>::quiet_NaN();

template <typename Key>
void copyKeys(const std::vector<Key>& keys, Key*& target, unsigned int& count)
{
    count = static_cast<unsigned int>(keys.size());
    target = keys.empty() ? nullptr : new Key[keys.size()];
    std::copy(keys.begin(), keys.end(), target);
}

// Goes through Assimp's own record, which is gone before the channel is
// sampled.
NodeAnimation makeChannel(const std::vector<aiVectorKey>& positions, const std::vector<aiQuatKey>& rotations = {},
                          const std::vector<aiVectorKey>& scalings = {})
{
    aiNodeAnim source;
    copyKeys(positions, source.mPositionKeys, source.mNumPositionKeys);
    copyKeys(rotations, source.mRotationKeys, source.mNumRotationKeys);
    copyKeys(scalings, source.mScalingKeys, source.mNumScalingKeys);
    return NodeAnimation(source);
}

aiVectorKey key(double time, float x, float y = 0.0f, float z = 0.0f)
{
    return aiVectorKey(time, aiVector3D(x, y, z));
}

aiQuatKey key(double time, float w, float x, float y, float z)
{
    return aiQuatKey(time, aiQuaternion(w, x, y, z));
}

aiQuatKey zTurn(double time, float degrees)
{
    const float half = glm::radians(degrees) / 2.0f;
    return key(time, std::cos(half), 0.0f, 0.0f, std::sin(half));
}

testing::AssertionResult lands(const NodeAnimation& channel, double time, const glm::vec3& point,
                               const glm::vec3& expected)
{
    const glm::vec3 actual(channel.sample(time) * glm::vec4(point, 1.0f));
    if (glm::all(glm::epsilonEqual(actual, expected, 1e-5f))) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "at t = " << time << ": (" << actual.x << ", " << actual.y << ", "
                                       << actual.z << ") instead of (" << expected.x << ", " << expected.y
                                       << ", " << expected.z << ")";
}

const glm::vec3 origin(0.0f);

} // namespace

TEST(NodeAnimation, SingleKeysScaleThenRotateThenTranslateAtEveryTime)
{
    const NodeAnimation channel = makeChannel({key(3, 1, 2, 3)}, {zTurn(7, 90)}, {key(5, 2, 3, 4)});
    for (double time : {-5.0, 0.0, 1e9, notANumber}) {
        EXPECT_TRUE(lands(channel, time, glm::vec3(1, 0, 0), glm::vec3(1, 4, 3)));
        EXPECT_TRUE(lands(channel, time, glm::vec3(0, 1, 0), glm::vec3(-2, 2, 3)));
        EXPECT_TRUE(lands(channel, time, glm::vec3(0, 0, 1), glm::vec3(1, 2, 7)));
    }
}

TEST(NodeAnimation, PositionsInterpolateBetweenKeysAndHoldBeyondThem)
{
    const NodeAnimation line = makeChannel({key(0, 0), key(10, 10)});
    EXPECT_TRUE(lands(line, 2.5, origin, glm::vec3(2.5, 0, 0)));
    EXPECT_TRUE(lands(line, 10, origin, glm::vec3(10, 0, 0)));
    EXPECT_TRUE(lands(line, 12, origin, glm::vec3(10, 0, 0)));
    EXPECT_TRUE(lands(line, -1, origin, glm::vec3(0, 0, 0)));

    const NodeAnimation peak = makeChannel({key(0, 0), key(5, 10), key(10, 4, -2, 6)});
    EXPECT_TRUE(lands(peak, 5, origin, glm::vec3(10, 0, 0)));
    EXPECT_TRUE(lands(peak, 7.5, origin, glm::vec3(7, -1, 3)));
    EXPECT_TRUE(lands(peak, notANumber, origin, glm::vec3(4, -2, 6)));
}

TEST(NodeAnimation, KeyListsAreSampledIndependently)
{
    const NodeAnimation channel =
        makeChannel({key(0, 0), key(5, 10), key(10, 10, 10)}, {zTurn(2, 0), zTurn(8, 90)}, {key(0, 2, 2, 2)});
    // At t = 1 the position is a fifth of the way, the rotation holds its
    // first key; at t = 5 the position is at its inner key, the rotation
    // half way.
    EXPECT_TRUE(lands(channel, 1, glm::vec3(1, 0, 0), glm::vec3(4, 0, 0)));
    const float diagonal = 2.0f * std::sqrt(0.5f);
    EXPECT_TRUE(lands(channel, 5, glm::vec3(1, 0, 0), glm::vec3(10 + diagonal, diagonal, 0)));
}

TEST(NodeAnimation, InterpolatedRotationsTakeTheShortArcAndAreNormalised)
{
    const float half = std::sqrt(0.5f);
    const NodeAnimation opposite = makeChannel({}, {key(0, half, half, 0, 0), key(1, -half, -half, 0, 0)});
    for (double time : {0.25, 0.5, 0.75}) {
        EXPECT_TRUE(lands(opposite, time, glm::vec3(0, 1, 0), glm::vec3(0, 0, 1)));
    }

    // A half turn about x stored at twice unit length: blended it is scaled
    // back to a rotation, held it is used as stored.
    const NodeAnimation oversized = makeChannel({}, {key(0, 0, 2, 0, 0), key(10, 0, 2, 0, 0)});
    EXPECT_TRUE(lands(oversized, 5, glm::vec3(0, 1, 0), glm::vec3(0, -1, 0)));
    EXPECT_TRUE(lands(oversized, -1, glm::vec3(0, 1, 0), glm::vec3(0, -7, 0)));

    const NodeAnimation degenerate = makeChannel({}, {key(0, 0, 0, 0, 0), key(10, 0, 0, 0, 0)});
    EXPECT_EQ(degenerate.sample(5), glm::mat4(1.0f));
}

TEST(NodeAnimation, EmptyKeyListsContributeTheIdentity)
{
    EXPECT_EQ(makeChannel({}).sample(3), glm::mat4(1.0f));
    EXPECT_TRUE(lands(makeChannel({}, {}, {key(0, 2, 3, 4)}), 0, glm::vec3(1, 1, 1), glm::vec3(2, 3, 4)));
}
