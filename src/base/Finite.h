#pragma once

#include <glm/gtc/quaternion.hpp>
#include <glm/mat3x3.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

// Whether every element is a finite number: a single NaN or infinity in a
// transform spreads to every vertex it places.
bool isFinite(const glm::vec3& value);
bool isFinite(const glm::quat& value);
bool isFinite(const glm::mat3& value);
bool isFinite(const glm::mat4& value);
