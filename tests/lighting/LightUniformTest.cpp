#include "app/Application.h"
#include "gpu/PixelShader.h"
#include "lighting/DirectionalLight.h"
#include "lighting/PointLight.h"

#include "GlTest.h"
#include "LogCapture.h"

#include <GL/glew.h>

#include <string>

namespace {

// Declares every light uniform and "specularPower", which belongs to the
// model and must survive any light's upload.
const char* const fragmentSource = R"(#version 430 core
uniform vec3 lightPosition;
uniform vec3 lightColor;
uniform float ambientCoeff;
uniform float diffuseCoeff;
uniform float attenuationConst;
uniform float attenuationLinear;
uniform float attenuationExp;
uniform float specularPower;
out vec4 color;
void main()
{
    float terms = ambientCoeff + diffuseCoeff + attenuationConst + attenuationLinear + attenuationExp;
    color = vec4(lightPosition + lightColor, terms + specularPower);
}
)";

const char* const floatUniforms[] = {"ambientCoeff",      "diffuseCoeff",   "attenuationConst",
                                     "attenuationLinear", "attenuationExp", "specularPower"};
const float untouched = -7.0f;

class LightUniformTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        workspace.write("shader/lights.vert", "#version 430 core\nvoid main() { gl_Position = vec4(0.0); }\n");
        workspace.write("shader/lights.frag", fragmentSource);
        program = app.shaderManager.addShader("lights", "lights.vert", "lights.frag", nullptr);
        ASSERT_NE(program, nullptr);
        program->bind();
        const float marker[3] = {untouched, untouched, untouched};
        program->setUniform3fv("lightPosition", marker);
        program->setUniform3fv("lightColor", marker);
        for (const char* name : floatUniforms) {
            program->setUniform1f(name, untouched);
        }
    }

    void TearDown() override { app.shaderManager.cleanUp(); }

    float readFloat(const char* name) const
    {
        float value = 0.0f;
        glGetUniformfv(program->program, program->getUniformLocation(name), &value);
        return value;
    }

    glm::vec3 readVec3(const char* name) const
    {
        glm::vec3 value;
        glGetUniformfv(program->program, program->getUniformLocation(name), &value.x);
        return value;
    }

    PixelShader* program = nullptr;
};

} // namespace

TEST_F(LightUniformTest, DirectionalLightUploadsItsFourValuesOnly)
{
    const DirectionalLight light(glm::vec3(0.9f, 0.8f, 0.7f), 0.15f, 0.2f, glm::vec3(0.0f, 1000.0f, -3.0f));
    light.setUniforms();
    EXPECT_EQ(readVec3("lightPosition"), glm::vec3(0.0f, 1000.0f, -3.0f));
    EXPECT_EQ(readVec3("lightColor"), glm::vec3(0.9f, 0.8f, 0.7f));
    EXPECT_EQ(readFloat("ambientCoeff"), 0.15f);
    EXPECT_EQ(readFloat("diffuseCoeff"), 0.2f);
    for (const char* name : {"attenuationConst", "attenuationLinear", "attenuationExp", "specularPower"}) {
        EXPECT_EQ(readFloat(name), untouched) << name;
    }
    EXPECT_EQ(takeGlError(), static_cast<unsigned int>(GL_NO_ERROR));
}

TEST_F(LightUniformTest, PointLightUploadsItsSevenValues)
{
    PointLight light(glm::vec3(0.5f, 0.25f, 1.0f), 0.15f, 0.3f, 1.0f, 0.001f, 0.002f, "absent.dae");
    light.lightPosition = glm::vec3(2.0f, 3.0f, 4.0f);
    light.setUniforms();
    EXPECT_EQ(readVec3("lightPosition"), glm::vec3(2.0f, 3.0f, 4.0f));
    EXPECT_EQ(readVec3("lightColor"), glm::vec3(0.5f, 0.25f, 1.0f));
    EXPECT_EQ(readFloat("ambientCoeff"), 0.15f);
    EXPECT_EQ(readFloat("diffuseCoeff"), 0.3f);
    EXPECT_EQ(readFloat("attenuationConst"), 1.0f);
    EXPECT_EQ(readFloat("attenuationLinear"), 0.001f);
    EXPECT_EQ(readFloat("attenuationExp"), 0.002f);
    EXPECT_EQ(readFloat("specularPower"), untouched);
    EXPECT_EQ(takeGlError(), static_cast<unsigned int>(GL_NO_ERROR));
}

TEST_F(LightUniformTest, NoActiveProgramMeansNoUpload)
{
    const DirectionalLight light(glm::vec3(1.0f), 0.15f, 0.2f, glm::vec3(1.0f));
    program->unbind();
    glUseProgram(program->program);
    LogCapture log;
    light.setUniforms();
    EXPECT_EQ(log.text(), "PixelShader ERROR: No active program\n");
    EXPECT_EQ(readFloat("ambientCoeff"), untouched);
    EXPECT_EQ(takeGlError(), static_cast<unsigned int>(GL_NO_ERROR));
}
