#pragma once

#include <assimp/matrix4x4.h>
#include <glm/mat4x4.hpp>

// The same matrix moved from Assimp's row-major storage to the column-major
// storage used everywhere else: result[c][r] is the Assimp element in row r,
// column c, so the Assimp translation (a4, b4, c4) lands in column 3.
// Assimp matrices enter the system only through this routine.
glm::mat4 convertAssimpMatrix(const aiMatrix4x4& matrix);
