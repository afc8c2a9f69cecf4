#version 430 core

// Normal-mapped Blinn-Phong lighting of the diffuse texture by the point light,
// in world space, with soft shadows from the alternative shadow pass
// ("varshadowmap"), whose cube map stores each surface's linear distance to
// the light as a fraction of the far plane instead of the perspective depth.
// The normal map tilts the normal within the tangent frame the vertex stage
// hands on (worldTangent = dP/du, worldBitangent = dP/dv); the shadow follows
// the geometric normal, since the map's detail is not in the shadow map
// either. Diffuse and specular light fall off with the distance d to the
// light as 1 / (attenuationConst + attenuationLinear * d + attenuationExp *
// d^2) and are scaled by the fragment's visibility from the light; the
// ambient light is neither attenuated nor shadowed.
//
// The filter is wider and softer than the one of "smnmbptex_point": more
// samples over a disk whose radius grows in proportion to the receiver's
// distance from the light (a fixed angle seen from the light, as from a light
// of some size), so shadows blur with distance. The disk turns from pixel to
// pixel so that its pattern shows as fine noise rather than as banding. Each
// sample is still compared against the receiver's own plane, which keeps the
// wide disk from shadowing tilted surfaces with themselves. Every fragment
// takes all the disk's samples: the disk spans ten texels and more, where a
// proof that some samples may be skipped would read a hundred texels.

in vec3 worldPosition;
in vec3 worldNormal;
in vec3 worldTangent;
in vec3 worldBitangent;
in vec2 texCoord;
flat in vec3 eyePosition;

layout(binding = 0) uniform sampler2D textureMap;
layout(binding = 1) uniform sampler2D normalMap;
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
// the ones it uses. The far plane scales the stored distances.
uniform vec2 nearFarPlane = vec2(0.1, 40.0);

layout(location = 0) out vec4 fragColor;

// Radius of the filter disk as a fraction of the receiver's distance from the
// light, and its least radius in shadow-map texels at the receiver.
const float FILTER_RADIUS_PER_DISTANCE = 0.01;
const float MIN_FILTER_RADIUS_TEXELS = 1.5;
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
const float TWO_PI = 6.28318531;


// The filter's samples: 32 points spread evenly over the unit disk along a
// golden-angle spiral, point i at radius sqrt((i + 0.5) / 32) and angle
// i * 2.39996323 plus the fragment's rotation.
const int DISK_POINTS = 32;
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

// An angle that varies from pixel to pixel without a visible pattern
// (interleaved gradient noise).
float pixelRotation()
{
    return TWO_PI * fract(52.9829189 * fract(dot(gl_FragCoord.xy, vec2(0.06711056, 0.00583715))));
}

// Point i of the disk turned by rotation. Each point's cosine and sine are
// taken of the angle rounded as it is here: a table of the points turned by
// the rotation's cosine and sine moves the outer points by up to a
// ten-thousandth of a texel, which tips samples lying on a shadow's edge.
vec2 diskPoint(int index, float rotation)
{
    float radius = sqrt((float(index) + 0.5) / float(DISK_POINTS));
    float angle = float(index) * GOLDEN_ANGLE + rotation;
    return radius * vec2(cos(angle), sin(angle));
}

// Fraction of the filter disk around this fragment that the light reaches.
// normal is the unit geometric normal: the normal map's detail casts no
// shadows. Distances are compared in world units; the stored fraction of
// the far plane is scaled back first.
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
    float distance = length(fromLight);
    vec3 ray = fromLight / distance;
    float cosine = -dot(normal, ray);
    if (cosine <= 0.0) {
        return 0.0;
    }

    float texel = 2.0 * axisDistance / float(max(textureSize(cubeMap, 0).x, 1));
    float slope = min(sqrt(1.0 - cosine * cosine) / cosine, MAX_BIAS_SLOPE);
    float radius = max(FILTER_RADIUS_PER_DISTANCE * distance, MIN_FILTER_RADIUS_TEXELS * texel);
    vec3 across = normalize(cross(ray, abs(ray.y) < 0.9 ? vec3(0.0, 1.0, 0.0) : vec3(1.0, 0.0, 0.0)));
    vec3 acrossToo = cross(ray, across);
    float bias = texel * (CONSTANT_BIAS_TEXELS + SLOPE_BIAS_TEXELS * slope);
    float planeOffset = dot(normal, fromLight);
    float rotation = pixelRotation();

    float lit = 0.0;
    for (int i = 0; i < DISK_POINTS; ++i) {
        vec2 offset = radius * diskPoint(i, rotation);
        vec3 direction = fromLight + across * offset.x + acrossToo * offset.y;
        // Where this sample's ray meets the receiver's plane, relative to
        // the fragment's distance; bounded, since near grazing the plane runs
        // almost along the ray.
        float alongRay = clamp(planeOffset / min(dot(normal, direction), -1e-6), 0.8, 1.25);
        float receiverDistance = min(alongRay * length(direction) - bias, far);
        float storedDistance = textureLod(cubeMap, direction, 0.0).r * far;
        lit += receiverDistance <= storedDistance ? 1.0 : 0.0;
    }
    return lit / float(DISK_POINTS) * smoothstep(0.0, TERMINATOR_FADE, cosine);
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
