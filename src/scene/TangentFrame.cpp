#include "scene/TangentFrame.h"

#include <glm/geometric.hpp>

#include <cmath>

namespace {

const glm::vec3 defaultNormal{0.0f, 0.0f, 1.0f};

bool isFinite(const glm::vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool isUsable(const std::optional<glm::vec3>& v)
{
    return v.has_value() && isFinite(*v) && glm::dot(*v, *v) > 0.0f;
}

// Gram-Schmidt on whichever axis lies furthest from the normal.
glm::vec3 unitPerpendicular(const glm::vec3& unitNormal)
{
    const glm::vec3 axis = std::abs(unitNormal.x) < 0.9f ? glm::vec3(1.0f, 0.0f, 0.0f) : glm::vec3(0.0f, 1.0f, 0.0f);
    return glm::normalize(axis - unitNormal * glm::dot(axis, unitNormal));
}

// n x b with its component along n removed, normalised with the square
// root taken in double precision; nothing when it has no usable length.
std::optional<glm::vec3> tangentFrom(const glm::vec3& n, const glm::vec3& b)
{
    const glm::vec3 crossed = glm::cross(n, b);
    const glm::vec3 t = crossed - n * glm::dot(crossed, n);
    const float root = static_cast<float>(std::sqrt(static_cast<double>(glm::dot(t, t))));
    if (!(root > 0.0f)) {
        return std::nullopt;
    }
    const glm::vec3 unit = t * static_cast<float>(1.0 / static_cast<double>(root));
    return isFinite(unit) ? std::optional<glm::vec3>(unit) : std::nullopt;
}

} // namespace

TangentFrame TangentFrame::fromImported(std::optional<glm::vec3> normal, std::optional<glm::vec3> bitangent,
                                        std::optional<glm::vec3> tangent)
{
    const glm::vec3 n = isUsable(normal) ? *normal : defaultNormal;
    const glm::vec3 unitNormal = glm::normalize(n);
    if (!isUsable(bitangent)) {
        const glm::vec3 t = unitPerpendicular(unitNormal);
        return {n, t, glm::cross(unitNormal, t)};
    }

    const glm::vec3 b = *bitangent;
    // A bitangent parallel to the normal leaves no tangent direction.
    glm::vec3 t = tangentFrom(n, b).value_or(unitPerpendicular(unitNormal));
    if (glm::dot(glm::cross(n, t), -b) < 0.0f) {
        t = t * -1.0f;
    }
    // Built from n and b alone, t cannot tell a mirrored UV island from a
    // plain one. It goes up negated like the bitangent, so it belongs on the
    // side of the n-b plane opposite to Assimp's tangent dP/du.
    if (isUsable(tangent) && glm::dot(t, *tangent) > 0.0f) {
        t = t * -1.0f;
    }
    return {n, t, -b};
}
