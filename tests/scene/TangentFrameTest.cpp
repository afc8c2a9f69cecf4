#include "scene/TangentFrame.h"

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();

bool isFinite(const glm::vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

void expectVec3Near(const glm::vec3& actual, const glm::vec3& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-6f);
    EXPECT_NEAR(actual.y, expected.y, 1e-6f);
    EXPECT_NEAR(actual.z, expected.z, 1e-6f);
}

} // namespace

TEST(TangentFrame, TheTangentComesFromTheNormalAndTheBitangentGoesUpNegated)
{
    const TangentFrame frame = TangentFrame::fromImported(glm::vec3(0, 0, 1), glm::vec3(0, 1, 0), glm::vec3(1, 0, 0));
    expectVec3Near(frame.normal, {0, 0, 1});
    expectVec3Near(frame.tangent, {-1, 0, 0});
    expectVec3Near(frame.bitangent, {0, -1, 0});

    // A bitangent off the tangent plane still gives a unit tangent in it;
    // the normal goes up as imported, unnormalised.
    const TangentFrame tilted =
        TangentFrame::fromImported(glm::vec3(0, 2, 0), glm::vec3(0.6f, 0.3f, 0.8f), glm::vec3(-0.8f, 0, 0.6f));
    expectVec3Near(tilted.normal, {0, 2, 0});
    expectVec3Near(tilted.tangent, {0.8f, 0, -0.6f});
    expectVec3Near(tilted.bitangent, {-0.6f, -0.3f, -0.8f});
}

TEST(TangentFrame, AMirroredIslandTakesItsSideFromTheImportedTangent)
{
    // u runs along -x: the tangent goes up negated like the bitangent, as
    // +x. A tangent that is missing, unusable or lies in the normal and
    // bitangent's plane decides nothing.
    const glm::vec3 normal(0, 0, 1);
    const glm::vec3 bitangent(0, 1, 0);
    expectVec3Near(TangentFrame::fromImported(normal, bitangent, glm::vec3(-1, 0.5f, 0.2f)).tangent, {1, 0, 0});
    for (const std::optional<glm::vec3>& undecided :
         {std::optional<glm::vec3>(), std::optional<glm::vec3>(glm::vec3(notANumber, 0, 0)),
          std::optional<glm::vec3>(glm::vec3(0)), std::optional<glm::vec3>(glm::vec3(0, 1, 1))}) {
        expectVec3Near(TangentFrame::fromImported(normal, bitangent, undecided).tangent, {-1, 0, 0});
    }
}

TEST(TangentFrame, MissingOrDegenerateInputStillGivesAUnitTangentOnTheNormalPlane)
{
    struct Case {
        const char* what;
        std::optional<glm::vec3> normal;
        std::optional<glm::vec3> bitangent;
        bool bitangentReplaced;
    };
    const Case cases[] = {
        {"no normal, no bitangent", std::nullopt, std::nullopt, true},
        {"no bitangent", glm::vec3(1, 0, 0), std::nullopt, true},
        {"NaN bitangent", glm::vec3(0, 1, 0), glm::vec3(notANumber, 0, 0), true},
        {"zero bitangent", glm::vec3(0, 0, 1), glm::vec3(0), true},
        {"NaN normal", glm::vec3(notANumber), glm::vec3(0, 1, 0), false},
        {"zero normal", glm::vec3(0), glm::vec3(0, 1, 0), false},
        {"bitangent along the normal", glm::vec3(0, 0, 1), glm::vec3(0, 0, 2), false},
        {"bitangent against the normal", glm::vec3(0.6f, 0.8f, 0), glm::vec3(-0.6f, -0.8f, 0), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TangentFrame frame = TangentFrame::fromImported(c.normal, c.bitangent, std::nullopt);
        ASSERT_TRUE(isFinite(frame.normal) && isFinite(frame.tangent) && isFinite(frame.bitangent));
        const glm::vec3 unitNormal = glm::normalize(frame.normal);
        EXPECT_NEAR(glm::length(frame.tangent), 1.0f, 1e-6f);
        EXPECT_NEAR(glm::dot(frame.tangent, unitNormal), 0.0f, 1e-6f);
        if (c.bitangentReplaced) {
            // An orthonormal pair around the normal, in the handedness of
            // an imported frame.
            expectVec3Near(frame.bitangent, glm::cross(unitNormal, frame.tangent));
        } else {
            expectVec3Near(frame.bitangent, -*c.bitangent);
        }
    }
}
