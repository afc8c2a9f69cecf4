#version 430 core

// Vertex stage of the shadowed lit textured program. Lighting and the shadow
// lookup both happen in world space, where the light's position already is:
// the world position serves the lighting and, relative to the light, picks
// the texel of the shadow cube map. This stage hands on the world position,
// the world normal and the camera's world position.
//
// The world normal comes from the view-space "normalMatrix" by undoing the
// view part: normalMatrix = inverse-transpose(V * M) = inverse-transpose(V) *
// inverse-transpose(M), and the inverse of inverse-transpose(V) is
// transpose(V), so transpose(V) * normalMatrix is exactly the world normal
// matrix, whatever scale the model or the view carries.

layout(location = 0) in vec3 position;
layout(location = 1) in vec2 textureCoordinate;
layout(location = 2) in vec3 normal;

uniform mat4 mvpMatrix;
uniform mat4 modelMatrix;
uniform mat4 viewMatrix;
uniform mat3 normalMatrix;

out vec3 worldPosition;
out vec3 worldNormal;
out vec2 texCoord;
flat out vec3 eyePosition;

void main()
{
    worldPosition = vec3(modelMatrix * vec4(position, 1.0));
    worldNormal = transpose(mat3(viewMatrix)) * (normalMatrix * normal);
    texCoord = textureCoordinate;
    eyePosition = inverse(viewMatrix)[3].xyz;
    gl_Position = mvpMatrix * vec4(position, 1.0);
}
