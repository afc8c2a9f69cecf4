#include "math/AssimpMatrix.h"

#include <glm/gtc/type_ptr.hpp>
#include <glm/matrix.hpp>

glm::mat4 convertAssimpMatrix(const aiMatrix4x4& matrix)
{
    // Assimp's rows read as GLM columns give the transpose; transposing it
    // back gives the same matrix in column-major storage.
    return glm::transpose(glm::make_mat4(&matrix.a1));
}
