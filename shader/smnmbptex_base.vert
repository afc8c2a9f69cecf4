#version 430 core

// Vertex stage of the shadowed normal-mapped lit textured programs. Lighting
// and the shadow lookup both happen in world space, where the light's position
// already is; the world position also picks, relative to the light, the texel
// of the shadow cube map. This stage hands on the world position, the world
// tangent frame and the camera's world position.
//
// The tangent frame as the model loader uploads it: location 3 carries a
// tangent t = normalize(n x b with its part along n removed), built from the
// normal n and Assimp's bitangent b = dP/dv, and location 4 carries the
// negated bitangent -b. For a UV layout that is not mirrored, n x b = -dP/du,
// so both vectors arrive negated: location 3 is -dP/du, location 4 is -dP/dv,
// and the frame that maps a normal-map texel onto the surface is
// mat3(-tangent, -bitangent, normal). Example: n = (0, 0, 1), b = (0, 1, 0)
// arrives as tangent (-1, 0, 0) and bitangent (0, -1, 0), i.e. u runs along
// +x and v along +y. On a mirrored UV island n x b points along +dP/du
// instead; there the loader flips t, taking its side from Assimp's own
// tangent, so location 3 is -dP/du on every island. This stage undoes the
// negation, so worldTangent is dP/du and worldBitangent dP/dv.
//
// Tangent and bitangent lie in the surface and move with the model matrix.
// The normal comes from the view-space "normalMatrix" by undoing the view
// part: the inverse of inverse-transpose(V) is transpose(V), so
// transpose(V) * normalMatrix is exactly the world normal matrix.

layout(location = 0) in vec3 position;
layout(location = 1) in vec2 textureCoordinate;
layout(location = 2) in vec3 normal;
layout(location = 3) in vec3 tangent;
layout(location = 4) in vec3 bitangent;

uniform mat4 mvpMatrix;
uniform mat4 modelMatrix;
uniform mat4 viewMatrix;
uniform mat3 normalMatrix;

out vec3 worldPosition;
out vec3 worldNormal;
out vec3 worldTangent;
out vec3 worldBitangent;
out vec2 texCoord;
flat out vec3 eyePosition;

void main()
{
    mat3 surfaceToWorld = mat3(modelMatrix);
    worldPosition = vec3(modelMatrix * vec4(position, 1.0));
    worldNormal = transpose(mat3(viewMatrix)) * (normalMatrix * normal);
    worldTangent = surfaceToWorld * -tangent;
    worldBitangent = surfaceToWorld * -bitangent;
    texCoord = textureCoordinate;
    eyePosition = inverse(viewMatrix)[3].xyz;
    gl_Position = mvpMatrix * vec4(position, 1.0);
}
