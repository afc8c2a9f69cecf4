#include "gpu/ShaderManager.h"

#include "GlTest.h"
#include "LogCapture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <numeric>

namespace {

const char* const vertexSource =
    "#version 430 core\n"
    "uniform float scale;\nuniform int count;\nuniform vec2 offset;\nuniform vec3 tint;\n"
    "uniform mat3 normalMatrix;\nuniform mat4 mvpMatrix;\nuniform mat4 cubemapMatrix[6];\n"
    "layout(location = 0) in vec3 position;\n"
    "void main() {\n"
    "  vec4 p = mvpMatrix * vec4(normalMatrix * (position + tint) + vec3(offset, scale * float(count)), 1.0);\n"
    "  gl_Position = cubemapMatrix[0] * cubemapMatrix[1] * cubemapMatrix[2] * cubemapMatrix[3]\n"
    "              * cubemapMatrix[4] * cubemapMatrix[5] * p;\n"
    "}\n";

// Distinct values, so a transposed or shifted upload reads back differently.
template <std::size_t size>
std::array<float, size> sequenceFrom(float first)
{
    std::array<float, size> values{};
    std::iota(values.begin(), values.end(), first);
    return values;
}

class UniformSetterTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        workspace.write("shader/uniforms.vert", vertexSource);
        workspace.write("shader/white.frag", "#version 430 core\nout vec4 color;\nvoid main() { color = vec4(1); }\n");
        first = manager.addShader("first", "uniforms.vert", "white.frag", nullptr);
        second = manager.addShader("second", "uniforms.vert", "white.frag", nullptr);
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
    }

    void TearDown() override
    {
        glUseProgram(0);
        manager.cleanUp();
    }

    template <std::size_t size>
    std::array<float, size> readFloats(const char* name) const
    {
        std::array<float, size> values{};
        glGetUniformfv(first->program, glGetUniformLocation(first->program, name), values.data());
        return values;
    }

    ShaderManager manager{"shader/", [](const std::string&) { return nullptr; }};
    PixelShader* first = nullptr;
    PixelShader* second = nullptr;
};

} // namespace

TEST_F(UniformSetterTest, EachSetterWritesOneUntransposedElementAndIgnoresUndeclaredNames)
{
    first->bind();
    const auto offset = sequenceFrom<2>(0.5f);
    const auto tint = sequenceFrom<3>(3.0f);
    const auto normalMatrix = sequenceFrom<9>(1.0f);
    const auto mvpMatrix = sequenceFrom<16>(-8.0f);
    const auto lastFace = sequenceFrom<16>(100.0f);
    first->setUniform1f("scale", 2.5f);
    first->setUniform1i("count", -7);
    first->setUniform2fv("offset", offset.data());
    first->setUniform3fv("tint", tint.data());
    first->setUniformMatrix3fv("normalMatrix", normalMatrix.data());
    first->setUniformMatrix4fv("mvpMatrix", mvpMatrix.data());
    PixelShader::setUniformMatrix4fv(first->getUniformLocation("cubemapMatrix") + 5, lastFace.data());
    {
        LogCapture log;
        for (const char* undeclared : {"undeclared", "cubemapMatrix[6]"}) {
            first->setUniform1f(undeclared, 1.0f);
            first->setUniform1i(undeclared, 1);
            first->setUniform2fv(undeclared, lastFace.data());
            first->setUniform3fv(undeclared, lastFace.data());
            first->setUniformMatrix3fv(undeclared, lastFace.data());
            first->setUniformMatrix4fv(undeclared, lastFace.data());
        }
        EXPECT_EQ(log.text(), "");
    }
    ASSERT_EQ(takeGlError(), GL_NO_ERROR);

    EXPECT_EQ(readFloats<1>("scale")[0], 2.5f);
    GLint count = 0;
    glGetUniformiv(first->program, glGetUniformLocation(first->program, "count"), &count);
    EXPECT_EQ(count, -7);
    EXPECT_EQ(readFloats<2>("offset"), offset);
    EXPECT_EQ(readFloats<3>("tint"), tint);
    EXPECT_EQ(readFloats<9>("normalMatrix"), normalMatrix);
    EXPECT_EQ(readFloats<16>("mvpMatrix"), mvpMatrix);
    EXPECT_EQ(readFloats<16>("cubemapMatrix[5]"), lastFace);
    EXPECT_EQ(readFloats<16>("cubemapMatrix[4]"), (std::array<float, 16>{}));
}

TEST_F(UniformSetterTest, TheLastBindIsActiveAndAnyUnbindClearsIt)
{
    LogCapture log;
    first->bind();
    EXPECT_EQ(PixelShader::getActive(), first);
    second->bind();
    EXPECT_EQ(PixelShader::getActive(), second);
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(current), second->program);
    EXPECT_EQ(log.text(), "");

    first->unbind();
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(PixelShader::getActive(), nullptr);
    EXPECT_EQ(PixelShader::getActive(), nullptr);
    EXPECT_EQ(log.text(), "PixelShader ERROR: No active program\nPixelShader ERROR: No active program\n");
}
