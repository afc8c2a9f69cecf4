#include "base/Finite.h"

#include <cmath>

namespace {

template <typename Matrix>
bool allElementsFinite(const Matrix& matrix)
{
    for (int column = 0; column < Matrix::length(); ++column) {
        for (int row = 0; row < Matrix::col_type::length(); ++row) {
            if (!std::isfinite(matrix[column][row])) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

bool isFinite(const glm::vec3& value)
{
    return std::isfinite(value.x) && std::isfinite(value.y) && std::isfinite(value.z);
}

bool isFinite(const glm::quat& value)
{
    return std::isfinite(value.x) && std::isfinite(value.y) && std::isfinite(value.z) && std::isfinite(value.w);
}

bool isFinite(const glm::mat3& value)
{
    return allElementsFinite(value);
}

bool isFinite(const glm::mat4& value)
{
    return allElementsFinite(value);
}
