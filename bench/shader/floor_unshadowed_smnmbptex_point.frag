#version 430 core

// A floor of the benchmark: the reference smnmbptex_point program with no
// shadow lookup at all. Everything else, the fade at the terminator included,
// is the reference's, so the time it takes is what the frame would cost if
// the shadow filter were free.
//
// Normal-mapped Blinn-Phong lighting of the diffuse texture by the point light,
// in world space. The normal map tilts the normal within the tangent frame the
// vertex stage hands on (worldTangent = dP/du, worldBitangent = dP/dv); the
// terminator's fade follows the geometric normal. Diffuse and specular light
// fall off with the distance d to the light as 1 / (attenuationConst +
// attenuationLinear * d + attenuationExp * d^2); the ambient light is not
// attenuated.

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
uniform float attenuationConst;
uniform float attenuationLinear;
uniform float attenuationExp;

layout(location = 0) out vec4 fragColor;

// Cosine to the light below which the shadow fades in before the surface
// turns away from the light, so the terminator has no hard seam.
const float TERMINATOR_FADE = 0.1;

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

// The falloff never exceeds 1, so coefficients that sum to less than one (or
// were never set) cannot blow the light up or divide by zero.
float attenuation(float distance)
{
    float falloff = attenuationConst + attenuationLinear * distance + attenuationExp * distance * distance;
    return 1.0 / max(falloff, 1.0);
}

// Only the fade at the terminator: no lookup, nothing shadowed.
float shadowVisibility(vec3 normal)
{
    float cosine = -dot(normal, normalize(worldPosition - lightPosition));
    return smoothstep(0.0, TERMINATOR_FADE, cosine);
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
    vec3 geometricNormal = normalize(worldNormal);
    vec3 normal = mappedNormal(geometricNormal);
    vec3 surfaceToLight = lightPosition - worldPosition;
    float distance = length(surfaceToLight);
    vec3 toLight = surfaceToLight / max(distance, 1e-6);
    vec3 toEye = normalize(eyePosition - worldPosition);

    float diffuse;
    float specular;
    blinnPhong(normal, toLight, toEye, diffuse, specular);
    float lightReaching = attenuation(distance) * shadowVisibility(geometricNormal);

    vec3 albedo = texture(textureMap, texCoord).rgb;
    vec3 color = albedo * lightColor * (ambientCoeff + lightReaching * diffuseCoeff * diffuse)
                 + lightColor * lightReaching * specularCoeff * specular;
    fragColor = vec4(color, 1.0);
}
