#include "math/AssimpMatrix.h"

#include <assimp/matrix4x4.inl>
#include <glm/gtc/type_ptr.hpp>
#include <gtest/gtest.h>

TEST(ConvertAssimpMatrix, PutsTheTranslationInColumnThree)
{
    aiMatrix4x4 matrix;
    matrix.a4 = 1.0f;
    matrix.b4 = 2.0f;
    matrix.c4 = 3.0f;
    const glm::mat4 converted = convertAssimpMatrix(matrix);
    const float* element = glm::value_ptr(converted);
    EXPECT_EQ(element[12], 1.0f);
    EXPECT_EQ(element[13], 2.0f);
    EXPECT_EQ(element[14], 3.0f);
}

TEST(ConvertAssimpMatrix, MovesEveryElementFromRowsToColumns)
{
    const aiMatrix4x4 matrix(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    const glm::mat4 converted = convertAssimpMatrix(matrix);
    for (unsigned int row = 0; row < 4; ++row) {
        for (unsigned int column = 0; column < 4; ++column) {
            EXPECT_EQ(converted[column][row], matrix[row][column]) << "row " << row << ", column " << column;
        }
    }
}
