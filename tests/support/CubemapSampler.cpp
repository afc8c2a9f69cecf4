#include <GL/glew.h>

#include "CubemapSampler.h"

#include "gpu/Texture.h"

#include <glm/vec4.hpp>
#include <gtest/gtest.h>

namespace {

const char* const samplingSource = R"(#version 430 core
layout(local_size_x = 1) in;
layout(binding = 2) uniform samplerCube cubeMap;
layout(std430, binding = 0) buffer Samples { vec4 samples[]; };
void main()
{
    uint i = gl_GlobalInvocationID.x;
    samples[i].w = textureLod(cubeMap, samples[i].xyz, 0.0).r;
}
)";

GLuint samplingProgram()
{
    const GLuint shader = glCreateShader(GL_COMPUTE_SHADER);
    glShaderSource(shader, 1, &samplingSource, nullptr);
    glCompileShader(shader);
    const GLuint program = glCreateProgram();
    glAttachShader(program, shader);
    glLinkProgram(program);
    glDeleteShader(shader);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_TRUE) << "the sampling program did not link";
    return linked == GL_TRUE ? program : 0;
}

} // namespace

std::vector<float> CubemapSampler::sample(const Texture& cubemap, const std::vector<glm::vec3>& directions)
{
    const GLuint program = samplingProgram();
    if (program == 0) {
        return {};
    }
    std::vector<glm::vec4> samples;
    for (const glm::vec3& direction : directions) {
        samples.emplace_back(direction, -1.0f);
    }
    const GLsizeiptr size = static_cast<GLsizeiptr>(samples.size() * sizeof(glm::vec4));
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 0, buffer);
    glBufferData(GL_SHADER_STORAGE_BUFFER, size, samples.data(), GL_DYNAMIC_READ);

    glUseProgram(program);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubemap.id);
    glDispatchCompute(static_cast<GLuint>(samples.size()), 1, 1);
    glMemoryBarrier(GL_BUFFER_UPDATE_BARRIER_BIT);
    glGetBufferSubData(GL_SHADER_STORAGE_BUFFER, 0, size, samples.data());

    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    glActiveTexture(GL_TEXTURE0);
    glUseProgram(0);
    glDeleteProgram(program);
    glDeleteBuffers(1, &buffer);

    std::vector<float> depths;
    for (const glm::vec4& sample : samples) {
        depths.push_back(sample.w);
    }
    return depths;
}
