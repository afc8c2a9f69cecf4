#version 430 core

// Normal-mapped Blinn-Phong lighting of the diffuse texture by the
// directional light, in world space. The directional light is given as a far
// point ("lightPosition", e.g. (0, 1000, 0)); it shines from that direction
// onto every fragment alike, without attenuation. The normal map tilts the
// normal within the tangent frame the vertex stage hands on (worldTangent =
// dP/du, worldBitangent = dP/dv). The texture colour takes the ambient and
// diffuse light; the highlight is added in the light's colour on top.

in vec3 worldPosition;
in vec3 worldNormal;
in vec3 worldTangent;
in vec3 worldBitangent;
in vec2 texCoord;
flat in vec3 eyePosition;

layout(binding = 0) uniform sampler2D textureMap;
layout(binding = 1) uniform sampler2D normalMap;

uniform vec3 lightPosition;
uniform vec3 lightColor;
uniform float ambientCoeff;
uniform float diffuseCoeff;
uniform float specularCoeff;
uniform float specularPower;

layout(location = 0) out vec4 fragColor;

// Lambert and Blinn-Phong factors for unit vectors. The highlight is skipped
// where the light is behind the surface, and so is pow(0, p), which is
// undefined.
void blinnPhong(vec3 normal, vec3 toLight, vec3 toEye, out float diffuse, out float specular)
{
    float cosine = dot(normal, toLight);
    diffuse = max(cosine, 0.0);
    specular = 0.0;
    vec3 halfway = toLight + toEye;
    float halfwayLength = length(halfway);
    if (cosine > 0.0 && halfwayLength > 1e-6) {
        float cosineHalfway = dot(normal, halfway) / halfwayLength;
        if (cosineHalfway > 0.0) {
            specular = pow(cosineHalfway, specularPower);
        }
    }
}

// The surface normal the normal map asks for. The map holds tangent-space
// normals in the OpenGL convention: red along +u, green along +v, blue out of
// the surface. The interpolated frame is made orthonormal around the normal
// again; where it has collapsed (a mesh without texture coordinates has no
// usable tangents) or the texel encodes no direction, the interpolated normal
// is kept rather than turning into NaN. The map is read before any branch so
// that its mipmap level stays well defined.
vec3 mappedNormal(vec3 normal)
{
    vec3 texel = texture(normalMap, texCoord).rgb * 2.0 - 1.0;
    vec3 tangent = worldTangent - normal * dot(normal, worldTangent);
    vec3 bitangent = worldBitangent - normal * dot(normal, worldBitangent);
    float tangentLength = length(tangent);
    if (!(tangentLength > 1e-6)) {
        return normal;
    }
    tangent /= tangentLength;
    bitangent -= tangent * dot(tangent, bitangent);
    float bitangentLength = length(bitangent);
    if (!(bitangentLength > 1e-6)) {
        return normal;
    }
    bitangent /= bitangentLength;

    vec3 mapped = mat3(tangent, bitangent, normal) * texel;
    float mappedLength = length(mapped);
    return mappedLength > 1e-6 ? mapped / mappedLength : normal;
}

void main()
{
    vec3 normal = mappedNormal(normalize(worldNormal));
    // A zero position leaves the light without a direction: then it only
    // lights ambiently.
    vec3 toLight = lightPosition / max(length(lightPosition), 1e-6);
    vec3 toEye = normalize(eyePosition - worldPosition);

    float diffuse;
    float specular;
    blinnPhong(normal, toLight, toEye, diffuse, specular);

    vec3 albedo = texture(textureMap, texCoord).rgb;
    vec3 color = albedo * lightColor * (ambientCoeff + diffuseCoeff * diffuse)
                 + lightColor * specularCoeff * specular;
    fragColor = vec4(color, 1.0);
}
