#version 430 core

// Vertex stage of the six-pass shadow baseline: one cube face per pass, so
// the face's projection * rotation * light translation is applied here and
// no geometry stage is needed. The world position goes on for fragment
// stages that store a distance, as the layered pass's geometry stage does.

layout(location = 0) in vec3 position;

uniform mat4 modelMatrix;
uniform mat4 faceMatrix;

out vec3 worldPosition;

void main()
{
    worldPosition = vec3(modelMatrix * vec4(position, 1.0));
    gl_Position = faceMatrix * vec4(worldPosition, 1.0);
}
