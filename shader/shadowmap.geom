#version 430 core

// Geometry stage of the shadow pass: renders each triangle into all six faces
// of the light's depth cube map in one draw. Face i (layer i, in the cube
// map's order +X, -X, +Y, -Y, +Z, -Z) gets the triangle through
// "cubemapMatrix"[i], the face's projection * rotation * light translation.
// The world position goes on for fragment stages that store a distance.

layout(triangles) in;
layout(triangle_strip, max_vertices = 18) out;

uniform mat4 cubemapMatrix[6];

in vec3 vertexWorldPosition[];

out vec3 worldPosition;

void main()
{
    for (int face = 0; face < 6; ++face) {
        for (int corner = 0; corner < 3; ++corner) {
            gl_Layer = face;
            worldPosition = vertexWorldPosition[corner];
            gl_Position = cubemapMatrix[face] * vec4(worldPosition, 1.0);
            EmitVertex();
        }
        EndPrimitive();
    }
}
