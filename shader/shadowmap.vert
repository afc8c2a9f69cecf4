#version 430 core

// Vertex stage of the shadow pass: only the world position. The geometry
// stage projects it onto the six cube faces, whose matrices already hold the
// light's translation.

layout(location = 0) in vec3 position;

uniform mat4 modelMatrix;

out vec3 vertexWorldPosition;

void main()
{
    vertexWorldPosition = vec3(modelMatrix * vec4(position, 1.0));
}
