#include "gpu/PixelShader.h"

#include "base/Log.h"

#include <GL/glew.h>

PixelShader* PixelShader::activeProgram = nullptr;

namespace {

const char* const component = "PixelShader";

} // namespace

PixelShader::PixelShader(unsigned int program, unsigned int vertexShader, unsigned int fragmentShader,
                         BaseLight* light)
    : program(program), vertexShader(vertexShader), fragmentShader(fragmentShader), light(light)
{
}

void PixelShader::bind()
{
    glUseProgram(program);
    activeProgram = this;
}

void PixelShader::unbind() const
{
    glUseProgram(0);
    activeProgram = nullptr;
}

void PixelShader::release() const
{
    // The program goes first so that its shaders are detached and can be
    // deleted at once rather than merely flagged for deletion.
    glDeleteProgram(program);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
}

PixelShader* PixelShader::getActive()
{
    if (activeProgram == nullptr) {
        Log::errorAfterComponent(component, "No active program");
    }
    return activeProgram;
}

int PixelShader::getUniformLocation(const char* name) const
{
    return glGetUniformLocation(program, name);
}

// A location of -1 (a name the program does not have) makes the glUniform
// calls below do nothing without raising an error, so it is not checked.

void PixelShader::setUniform1f(const char* name, float value) const
{
    glUniform1f(getUniformLocation(name), value);
}

void PixelShader::setUniform1i(const char* name, int value) const
{
    glUniform1i(getUniformLocation(name), value);
}

void PixelShader::setUniform2fv(const char* name, const float* values) const
{
    glUniform2fv(getUniformLocation(name), 1, values);
}

void PixelShader::setUniform3fv(const char* name, const float* values) const
{
    glUniform3fv(getUniformLocation(name), 1, values);
}

void PixelShader::setUniformMatrix3fv(const char* name, const float* values) const
{
    glUniformMatrix3fv(getUniformLocation(name), 1, GL_FALSE, values);
}

void PixelShader::setUniformMatrix4fv(const char* name, const float* values) const
{
    setUniformMatrix4fv(getUniformLocation(name), values);
}

void PixelShader::setUniformMatrix4fv(int location, const float* values)
{
    glUniformMatrix4fv(location, 1, GL_FALSE, values);
}
