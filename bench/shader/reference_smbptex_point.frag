#version 430 core

// The benchmark's reference: a frozen copy of shader/smbptex_point.frag as it
// stood before its shadow filter was made faster. The benchmark draws it beside
// the shipped program to time both and compare their pictures, so it must not
// change when the shipped one does.
//
// Blinn-Phong lighting of the diffuse texture by the point light, in world
// space, with the light's shadow cube map. Diffuse and specular light fall off
// with the distance d to the light as 1 / (attenuationConst +
// attenuationLinear * d + attenuationExp * d^2) and are scaled by the
// fragment's visibility from the light; the ambient light is neither
// attenuated nor shadowed, so shadowed surfaces keep their base colour.
//
// The cube map holds the shadow pass's hardware depth (see shadowVisibility).
// The filter compares over a small disk across the light ray, each sample
// against the receiver's own plane, so tilted surfaces neither shadow
// themselves nor need a large bias that would let light leak under the edges
// of their occluders.

in vec3 worldPosition;
in vec3 worldNormal;
in vec2 texCoord;
flat in vec3 eyePosition;

layout(binding = 0) uniform sampler2D textureMap;
layout(binding = 2) uniform samplerCube cubeMap;

uniform vec3 lightPosition;
uniform vec3 lightColor;
uniform float ambientCoeff;
uniform float diffuseCoeff;
uniform float specularCoeff;
uniform float specularPower;
uniform float attenuationConst;
uniform float attenuationLinear;
uniform float attenuationExp;
// The shadow pass's planes; only that pass uploads them, so the defaults are
// the ones it uses.
uniform vec2 nearFarPlane = vec2(0.1, 40.0);

layout(location = 0) out vec4 fragColor;

const int SHADOW_SAMPLES = 20;
// Radius of the filter disk, in shadow-map texels at the receiver.
const float FILTER_RADIUS_TEXELS = 1.5;
// Depth bias, in texels at the receiver: a constant part for the rounding of
// the stored depth and a part that grows with the tangent of the angle
// between the surface normal and the light, up to a limit, for the texel
// grid's steps along a tilted surface.
const float CONSTANT_BIAS_TEXELS = 0.5;
const float SLOPE_BIAS_TEXELS = 1.0;
const float MAX_BIAS_SLOPE = 4.0;
// Cosine to the light below which the shadow fades in before the surface
// turns away from the light, so the terminator has no hard seam.
const float TERMINATOR_FADE = 0.1;
const float GOLDEN_ANGLE = 2.39996323;

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

// Distance from the light along the axis of the cube face that sees v.
float faceAxisDistance(vec3 v)
{
    return max(max(abs(v.x), abs(v.y)), abs(v.z));
}

// The depth the shadow pass stores for a point at this distance along its
// face's axis: the face's perspective projection, mapped to [0, 1].
float faceDepth(float axisDistance)
{
    float near = nearFarPlane.x;
    float far = nearFarPlane.y;
    float z = max(axisDistance, near);
    return 0.5 * ((far + near) / (far - near) - 2.0 * far * near / ((far - near) * z)) + 0.5;
}

// Points spread evenly over the unit disk (a golden-angle spiral).
vec2 diskPoint(int index, int count)
{
    float radius = sqrt((float(index) + 0.5) / float(count));
    float angle = float(index) * GOLDEN_ANGLE;
    return radius * vec2(cos(angle), sin(angle));
}

// Fraction of the filter disk around this fragment that the light reaches.
// normal is the unit geometric normal: the normal map's detail casts no
// shadows.
float shadowVisibility(vec3 normal)
{
    float near = nearFarPlane.x;
    float far = nearFarPlane.y;
    vec3 fromLight = worldPosition - lightPosition;
    float axisDistance = faceAxisDistance(fromLight);
    // The pass rendered nothing nearer than its near plane or beyond its far
    // plane, so nothing there can be shadowed.
    if (!(far > near) || axisDistance <= near || axisDistance >= far) {
        return 1.0;
    }
    vec3 ray = normalize(fromLight);
    float cosine = -dot(normal, ray);
    if (cosine <= 0.0) {
        return 0.0;
    }

    float texel = 2.0 * axisDistance / float(max(textureSize(cubeMap, 0).x, 1));
    float slope = min(sqrt(1.0 - cosine * cosine) / cosine, MAX_BIAS_SLOPE);
    float bias = texel * (CONSTANT_BIAS_TEXELS + SLOPE_BIAS_TEXELS * slope);
    float radius = FILTER_RADIUS_TEXELS * texel;

    vec3 across = normalize(cross(ray, abs(ray.y) < 0.9 ? vec3(0.0, 1.0, 0.0) : vec3(1.0, 0.0, 0.0)));
    vec3 acrossToo = cross(ray, across);
    float planeOffset = dot(normal, fromLight);

    float lit = 0.0;
    for (int i = 0; i < SHADOW_SAMPLES; ++i) {
        vec2 offset = radius * diskPoint(i, SHADOW_SAMPLES);
        vec3 direction = fromLight + across * offset.x + acrossToo * offset.y;
        // Where this sample's ray meets the receiver's plane, relative to the
        // fragment's distance; bounded, since near grazing the plane runs
        // almost along the ray.
        float alongRay = clamp(planeOffset / min(dot(normal, direction), -1e-6), 0.8, 1.25);
        float receiverDepth = min(faceDepth(alongRay * faceAxisDistance(direction) - bias), 1.0);
        float storedDepth = textureLod(cubeMap, direction, 0.0).r;
        lit += receiverDepth <= storedDepth ? 1.0 : 0.0;
    }
    return lit / float(SHADOW_SAMPLES) * smoothstep(0.0, TERMINATOR_FADE, cosine);
}

void main()
{
    vec3 normal = normalize(worldNormal);
    vec3 surfaceToLight = lightPosition - worldPosition;
    float distance = length(surfaceToLight);
    vec3 toLight = surfaceToLight / max(distance, 1e-6);
    vec3 toEye = normalize(eyePosition - worldPosition);

    float diffuse;
    float specular;
    blinnPhong(normal, toLight, toEye, diffuse, specular);
    float lightReaching = attenuation(distance) * shadowVisibility(normal);

    vec3 albedo = texture(textureMap, texCoord).rgb;
    vec3 color = albedo * lightColor * (ambientCoeff + lightReaching * diffuseCoeff * diffuse)
                 + lightColor * lightReaching * specularCoeff * specular;
    fragColor = vec4(color, 1.0);
}
