#include "animation/NodeAnimation.h"

#include <assimp/anim.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr float tolerance = 1e-5f;
const double notANumber = std::numeric_limits<double>::quiet_NaN();

template <typename Key>
Key* copyToAssimp(const std::vector<Key>& keys)
{
    if (keys.empty()) {
        return nullptr;
    }
    Key* copy = new Key[keys.size()];
    std::copy(keys.begin(), keys.end(), copy);
    return copy;
}

// Builds the channel through Assimp's own record, as the importer hands it
// over; the record is gone before the channel is sampled.
NodeAnimation makeChannel(const std::vector<aiVectorKey>& positions, const std::vector<aiQuatKey>& rotations,
                          const std::vector<aiVectorKey>& scalings)
{
    aiNodeAnim source;
    source.mNodeName = "node";
    source.mNumPositionKeys = static_cast<unsigned int>(positions.size());
    source.mPositionKeys = copyToAssimp(positions);
    source.mNumRotationKeys = static_cast<unsigned int>(rotations.size());
    source.mRotationKeys = copyToAssimp(rotations);
    source.mNumScalingKeys = static_cast<unsigned int>(scalings.size());
    source.mScalingKeys = copyToAssimp(scalings);
    return NodeAnimation(source);
}

aiVectorKey vectorKey(double time, float x, float y, float z)
{
    return aiVectorKey(time, aiVector3D(x, y, z));
}

aiQuatKey quatKey(double time, float w, float x, float y, float z)
{
    return aiQuatKey(time, aiQuaternion(w, x, y, z));
}

// The rotation of angle degrees about z, as Assimp stores it.
aiQuatKey zTurn(double time, float degrees)
{
    const float half = glm::radians(degrees) / 2.0f;
    return quatKey(time, std::cos(half), 0.0f, 0.0f, std::sin(half));
}

glm::vec3 translationOf(const glm::mat4& transform)
{
    return glm::vec3(transform[3]);
}

void expectNear(const glm::vec3& actual, const glm::vec3& expected, const char* where)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance) << where;
    EXPECT_NEAR(actual.y, expected.y, tolerance) << where;
    EXPECT_NEAR(actual.z, expected.z, tolerance) << where;
}

} // namespace

TEST(NodeAnimation, CopiesTheAssimpChannelKeyForKey)
{
    const NodeAnimation channel = makeChannel({vectorKey(0, 1, 2, 3), vectorKey(4, 5, 6, 7)},
                                              {quatKey(1.5, 0.5f, 0.1f, 0.2f, 0.3f)}, {});
    EXPECT_EQ(channel.nodeName, "node");
    ASSERT_EQ(channel.positionKeys.size(), 2u);
    EXPECT_EQ(channel.positionKeys[1].time, 4.0);
    expectNear(channel.positionKeys[1].value, glm::vec3(5, 6, 7), "position");
    ASSERT_EQ(channel.rotationKeys.size(), 1u);
    EXPECT_EQ(channel.rotationKeys[0].time, 1.5);
    // Assimp stores w first, GLM last: the scalar part must not move.
    EXPECT_FLOAT_EQ(channel.rotationKeys[0].value.w, 0.5f);
    EXPECT_FLOAT_EQ(channel.rotationKeys[0].value.x, 0.1f);
    EXPECT_FLOAT_EQ(channel.rotationKeys[0].value.z, 0.3f);
    EXPECT_TRUE(channel.scalingKeys.empty());
}

TEST(NodeAnimation, SingleKeysScaleThenRotateThenTranslateAtEveryTime)
{
    const NodeAnimation channel = makeChannel({vectorKey(3, 1, 2, 3)}, {zTurn(7, 90)}, {vectorKey(5, 2, 3, 4)});
    for (double time : {-5.0, 0.0, 7.5, 1e9, notANumber}) {
        const glm::mat4 transform = channel.sample(time);
        // (1, 0, 0) scales to (2, 0, 0), turns to (0, 2, 0), moves to (1, 4, 3).
        expectNear(glm::vec3(transform * glm::vec4(1, 0, 0, 1)), glm::vec3(1, 4, 3), "x axis");
        expectNear(glm::vec3(transform * glm::vec4(0, 1, 0, 1)), glm::vec3(-2, 2, 3), "y axis");
        expectNear(glm::vec3(transform * glm::vec4(0, 0, 1, 1)), glm::vec3(1, 2, 7), "z axis");
    }
}

TEST(NodeAnimation, PositionsInterpolateInsideAndHoldOutside)
{
    const NodeAnimation channel = makeChannel({vectorKey(0, 0, 0, 0), vectorKey(10, 10, 0, 0)}, {}, {});
    EXPECT_NEAR(translationOf(channel.sample(2.5)).x, 2.5f, tolerance);
    EXPECT_NEAR(translationOf(channel.sample(10)).x, 10.0f, tolerance);
    EXPECT_NEAR(translationOf(channel.sample(12)).x, 10.0f, tolerance);
    EXPECT_NEAR(translationOf(channel.sample(-1)).x, 0.0f, tolerance);

    const NodeAnimation peaked =
        makeChannel({vectorKey(0, 0, 0, 0), vectorKey(5, 10, 0, 0), vectorKey(10, 4, -2, 6)}, {}, {});
    EXPECT_NEAR(translationOf(peaked.sample(5)).x, 10.0f, tolerance) << "exactly at the inner key";
    expectNear(translationOf(peaked.sample(7.5)), glm::vec3(7, -1, 3), "second interval");
    expectNear(translationOf(peaked.sample(notANumber)), glm::vec3(4, -2, 6), "NaN holds the last key");
}

TEST(NodeAnimation, KeyListsAreSampledIndependently)
{
    const NodeAnimation channel =
        makeChannel({vectorKey(0, 0, 0, 0), vectorKey(5, 10, 0, 0), vectorKey(10, 10, 10, 0)},
                    {zTurn(2, 0), zTurn(8, 90)}, {vectorKey(0, 2, 2, 2)});

    const glm::mat4 early = channel.sample(1);
    expectNear(translationOf(early), glm::vec3(2, 0, 0), "position at f = 0.2");
    // The rotation still holds its first key: x stays on x, scaled by 2.
    expectNear(glm::vec3(early[0]), glm::vec3(2, 0, 0), "rotation held");

    const glm::mat4 middle = channel.sample(5);
    expectNear(translationOf(middle), glm::vec3(10, 0, 0), "position at its inner key");
    const float diagonal = 2.0f * std::sqrt(0.5f);
    expectNear(glm::vec3(middle[0]), glm::vec3(diagonal, diagonal, 0), "rotation half way");
}

TEST(NodeAnimation, InterpolatedRotationsTakeTheShortArcAndAreNormalised)
{
    // q and -q are the same turn of 90 degrees about x.
    const float half = std::sqrt(0.5f);
    const NodeAnimation opposite = makeChannel({}, {quatKey(0, half, half, 0, 0), quatKey(1, -half, -half, 0, 0)}, {});
    for (double time : {0.25, 0.5, 0.75}) {
        const glm::mat4 rotation = opposite.sample(time);
        expectNear(glm::vec3(rotation[1]), glm::vec3(0, 0, 1), "y turns onto z");
        expectNear(glm::vec3(rotation[2]), glm::vec3(0, -1, 0), "z turns onto -y");
    }

    // A half turn about x stored at twice unit length: blended it is scaled
    // back to a proper rotation, held it is used as stored.
    const NodeAnimation oversized = makeChannel({}, {quatKey(0, 0, 2, 0, 0), quatKey(10, 0, 2, 0, 0)}, {});
    EXPECT_NEAR(oversized.sample(5)[1][1], -1.0f, tolerance);
    EXPECT_NEAR(oversized.sample(-1)[1][1], -7.0f, tolerance);

    const NodeAnimation degenerate = makeChannel({}, {quatKey(0, 0, 0, 0, 0), quatKey(10, 0, 0, 0, 0)}, {});
    EXPECT_EQ(degenerate.sample(5), glm::mat4(1.0f));
}

TEST(NodeAnimation, EmptyKeyListsContributeTheIdentity)
{
    EXPECT_EQ(makeChannel({}, {}, {}).sample(3), glm::mat4(1.0f));

    const glm::mat4 scaledOnly = makeChannel({}, {}, {vectorKey(0, 2, 3, 4), vectorKey(1, 2, 3, 4)}).sample(0.5);
    EXPECT_EQ(scaledOnly, glm::scale(glm::mat4(1.0f), glm::vec3(2, 3, 4)));
}
