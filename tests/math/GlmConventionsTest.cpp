#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <new>

namespace {

// Builds a default value over garbage, so an uninitialised one cannot pass
// by chance.
template <typename Value>
Value defaultOverGarbage()
{
    alignas(Value) unsigned char storage[sizeof(Value)];
    std::memset(storage, 0x7f, sizeof storage);
    return *new (storage) Value;
}

} // namespace

TEST(GlmConventions, DefaultValuesAreZeroVectorsAndIdentities)
{
    EXPECT_EQ(defaultOverGarbage<glm::vec3>(), glm::vec3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(defaultOverGarbage<glm::vec4>(), glm::vec4(0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(defaultOverGarbage<glm::mat3>(), glm::mat3(1.0f));
    EXPECT_EQ(defaultOverGarbage<glm::mat4>(), glm::mat4(1.0f));
    EXPECT_EQ(defaultOverGarbage<glm::quat>(), glm::quat(1.0f, 0.0f, 0.0f, 0.0f));
    const glm::vec4 zero(0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(glm::mat4(0.0f), glm::mat4(zero, zero, zero, zero));
}

TEST(GlmConventions, QuaternionsAreBuiltWxyzAndStoredXyzw)
{
    const glm::quat quaternion(4.0f, 1.0f, 2.0f, 3.0f);
    EXPECT_EQ(glm::make_vec4(glm::value_ptr(quaternion)), glm::vec4(1.0f, 2.0f, 3.0f, 4.0f));
}

TEST(GlmConventions, SlerpTowardsTheNegatedQuaternionStaysPut)
{
    const glm::quat q = glm::normalize(glm::quat(0.8f, 0.1f, -0.5f, 0.3f));
    for (float f : {0.0f, 0.3f, 0.5f, 1.0f}) {
        const glm::quat result = glm::slerp(q, -q, f);
        for (int i = 0; i < 4; ++i) {
            EXPECT_FLOAT_EQ(result[i], q[i]) << "f " << f << ", component " << i;
        }
    }
}

TEST(GlmConventions, PerspectiveMapsNearAndFarToOpenGlDepth)
{
    const float near = 0.1f;
    const float far = 100.0f;
    const glm::mat4 projection = glm::perspective(glm::radians(60.0f), 4.0f / 3.0f, near, far);
    const float t = std::tan(glm::radians(30.0f));
    EXPECT_FLOAT_EQ(projection[0][0], 1.0f / (4.0f / 3.0f * t));
    EXPECT_FLOAT_EQ(projection[1][1], 1.0f / t);
    EXPECT_FLOAT_EQ(projection[2][2], -(far + near) / (far - near));
    EXPECT_FLOAT_EQ(projection[3][2], -2.0f * far * near / (far - near));
    EXPECT_EQ(projection[2][3], -1.0f);

    const glm::vec4 nearPoint = projection * glm::vec4(0.0f, 0.0f, -near, 1.0f);
    const glm::vec4 farPoint = projection * glm::vec4(0.0f, 0.0f, -far, 1.0f);
    EXPECT_FLOAT_EQ(nearPoint.z / nearPoint.w, -1.0f);
    EXPECT_FLOAT_EQ(farPoint.z / farPoint.w, 1.0f);
}

TEST(GlmConventions, TheInverseOfASingularMatrixIsNotFinite)
{
    const glm::mat4 flattened = glm::scale(glm::mat4(1.0f), glm::vec3(1.0f, 0.0f, 1.0f));
    const glm::mat4 inverse = glm::inverse(flattened);
    const float* element = glm::value_ptr(inverse);
    for (int i = 0; i < 16; ++i) {
        EXPECT_FALSE(std::isfinite(element[i])) << "element " << i;
    }
}
