#pragma once

#include <glm/vec3.hpp>

#include <optional>

// The normal, tangent and bitangent one model vertex hands to the vertex
// shader (attribute locations 2, 3 and 4).
struct TangentFrame {
    // The tangent is rebuilt from the normal and the imported bitangent, and
    // the bitangent goes up negated; the imported tangent only decides the
    // tangent's sign, so that mirrored UV islands keep their u direction.
    // Whatever is missing, not finite or of zero length is replaced, so every
    // vertex gets finite vectors and a unit tangent perpendicular to its
    // normal: a default normal, and an orthonormal tangent and bitangent
    // around the normal when the bitangent is unusable.
    static TangentFrame fromImported(std::optional<glm::vec3> normal, std::optional<glm::vec3> bitangent,
                                     std::optional<glm::vec3> tangent);

    glm::vec3 normal;
    glm::vec3 tangent;
    glm::vec3 bitangent;
};
