#pragma once

#include "gpu/PixelShader.h"

// A program with a geometry stage between its vertex and fragment stages.
class GeometryPixelShader : public PixelShader {
public:
    GeometryPixelShader(unsigned int program, unsigned int vertexShader, unsigned int geometryShader,
                        unsigned int fragmentShader, BaseLight* light);

    void release() const override;

    const unsigned int geometryShader;
};
