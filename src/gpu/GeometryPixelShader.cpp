#include "gpu/GeometryPixelShader.h"

#include <GL/glew.h>

GeometryPixelShader::GeometryPixelShader(unsigned int program, unsigned int vertexShader,
                                         unsigned int geometryShader, unsigned int fragmentShader,
                                         BaseLight* light)
    : PixelShader(program, vertexShader, fragmentShader, light), geometryShader(geometryShader)
{
}

void GeometryPixelShader::release() const
{
    PixelShader::release();
    glDeleteShader(geometryShader);
}
