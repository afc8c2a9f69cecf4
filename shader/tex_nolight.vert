#version 430 core

// Unlit textured geometry: places the vertex on screen and hands the texture
// coordinate on.

layout(location = 0) in vec3 position;
layout(location = 1) in vec2 textureCoordinate;

uniform mat4 mvpMatrix;

out vec2 texCoord;

void main()
{
    texCoord = textureCoordinate;
    gl_Position = mvpMatrix * vec4(position, 1.0);
}
