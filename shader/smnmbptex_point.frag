#version 430 core

// Normal-mapped Blinn-Phong lighting of the diffuse texture by the point light,
// in world space, with the light's shadow cube map. The normal map tilts the
// normal within the tangent frame the vertex stage hands on (worldTangent =
// dP/du, worldBitangent = dP/dv); the shadow follows the geometric normal,
// since the map's detail is not in the shadow map either. Diffuse and
// specular light fall off with the distance d to the light as
// 1 / (attenuationConst + attenuationLinear * d + attenuationExp * d^2) and
// are scaled by the fragment's visibility from the light; the ambient light is
// neither attenuated nor shadowed, so shadowed surfaces keep their base
// colour.
//
// The cube map holds the shadow pass's hardware depth (see shadowVisibility).
// The filter compares over a small disk across the light ray, each sample
// against the receiver's own plane, so tilted surfaces neither shadow
// themselves nor need a large bias that would let light leak under the edges
// of their occluders. Most fragments are wholly lit or wholly shadowed: a
// ring of six samples around the disk finds those, and only fragments in
// penumbra take the disk's samples.

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
// the ones it uses.
uniform vec2 nearFarPlane = vec2(0.1, 40.0);

layout(location = 0) out vec4 fragColor;

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

// The filter's samples: twenty points spread evenly over the unit disk along
// a golden-angle spiral, point i at radius sqrt((i + 0.5) / 20) and angle
// i * 2.39996323.
const int DISK_POINTS = 20;
// Before them, a ring of six points 1.45 disk radii from the centre, 60
// degrees apart. A straight edge that comes nearer the centre than
// 1.45 * cos(30 degrees) = 1.26 radii has ring points on both of its sides,
// so where the six agree no edge crosses the disk and all twenty disk points
// would agree with the ring. The 0.26 radii (0.4 texels) to spare beyond the
// disk catch the staircase of a rasterised edge and most corners of
// occluders, which a ring on the disk's own rim lets through more often.
// Five ring points are written out where they are taken; the sixth comes
// first among the points the loop takes.
const int RING_POINTS = 6;
const vec2 LATER_POINTS[21] = vec2[](
    vec2(0.725, -1.25573684),
    vec2(0.158113882, 0.0),
    vec2(-0.201936781, 0.184990659),
    vec2(0.0309095979, -0.352199644),
    vec2(0.254528403, 0.331986874),
    vec2(-0.467090636, -0.0826215819),
    vec2(0.442468941, -0.28146264),
    vec2(-0.147996664, 0.550542474),
    vec2(-0.282247245, -0.543448746),
    vec2(0.612362742, 0.223633394),
    vec2(-0.637061059, 0.262969971),
    vec2(0.307105333, -0.656266928),
    vec2(0.226943433, 0.72353071),
    vec2(-0.684010327, -0.39639613),
    vec2(0.802420735, -0.176411524),
    vec2(-0.489703864, 0.696555912),
    vec2(-0.113134578, -0.873040974),
    vec2(0.694527805, 0.585347056),
    vec2(-0.934615493, 0.0386504829),
    vec2(0.681729555, -0.67841351),
    vec2(-0.0456094332, 0.986366987));

// The benchmark's control defines FULL_SHADOW_FILTER, which makes every
// fragment take the disk's points after the ring: timed beside the shipped
// filter, it shows whether the driver really skips the points it need not
// take.
#ifdef FULL_SHADOW_FILTER
const bool STOP_AT_RING = false;
#else
const bool STOP_AT_RING = true;
#endif

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

// What the samples of one fragment's filter share: the light ray to the
// fragment, the two steps across it that span the disk, the receiver's plane
// through the fragment and the depth bias.
struct ShadowDisk {
    vec3 fromLight;
    vec3 stepAcross;
    vec3 stepAcrossToo;
    // The normal times fromLight, and times each step.
    float planeOffset;
    vec2 planeSteps;
    float bias;
};

// 1 where the light reaches the receiver's plane along the ray through point
// of the unit disk, 0 where the cube map holds something nearer.
float sampleLit(ShadowDisk disk, vec2 point)
{
    vec3 direction = disk.fromLight + disk.stepAcross * point.x + disk.stepAcrossToo * point.y;
    // Where this sample's ray meets the receiver's plane, relative to the
    // fragment's distance; bounded, since near grazing the plane runs almost
    // along the ray.
    float planeAlongSample = disk.planeOffset + dot(disk.planeSteps, point);
    float alongRay = clamp(disk.planeOffset / min(planeAlongSample, -1e-6), 0.8, 1.25);
    // Depths are compared through faceDepth. Where an occluder stands on its
    // receiver the two depths differ by a few steps, so a comparison that
    // rounds otherwise, of distances say, moves the edge of the contact
    // shadow.
    float receiverDepth = min(faceDepth(alongRay * faceAxisDistance(direction) - disk.bias), 1.0);
    float storedDepth = textureLod(cubeMap, direction, 0.0).r;
    return receiverDepth <= storedDepth ? 1.0 : 0.0;
}

float firstRingPointsLit(ShadowDisk disk)
{
    return sampleLit(disk, vec2(1.45, 0.0))
         + sampleLit(disk, vec2(0.725, 1.25573684))
         + sampleLit(disk, vec2(-0.725, 1.25573684))
         + sampleLit(disk, vec2(-1.45, 0.0))
         + sampleLit(disk, vec2(-0.725, -1.25573684));
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
    float radius = FILTER_RADIUS_TEXELS * texel;
    vec3 across = normalize(cross(ray, abs(ray.y) < 0.9 ? vec3(0.0, 1.0, 0.0) : vec3(1.0, 0.0, 0.0)));

    ShadowDisk disk;
    disk.fromLight = fromLight;
    disk.stepAcross = across * radius;
    disk.stepAcrossToo = cross(ray, across) * radius;
    disk.planeOffset = dot(normal, fromLight);
    disk.planeSteps = vec2(dot(normal, disk.stepAcross), dot(normal, disk.stepAcrossToo));
    disk.bias = texel * (CONSTANT_BIAS_TEXELS + SLOPE_BIAS_TEXELS * slope);

    // The loop's first pass takes the last ring point and, only where the
    // ring disagrees, raises the loop's bound to take the disk's points too.
    // Drivers that shade fragments in SIMD groups run both sides of an if
    // under a mask, and unroll a loop whose bound they can see before it into
    // masked passes; a bound raised inside the loop lets a group with no
    // fragment in penumbra leave after the first pass.
    float lit = firstRingPointsLit(disk);
    float ringLit = 0.0;
    int taken = 0;
    int count = 1;
    do {
        lit += sampleLit(disk, LATER_POINTS[taken]);
        ++taken;
        if (taken == 1) {
            ringLit = lit;
            bool ringAgrees = lit == 0.0 || lit == float(RING_POINTS);
            if (!(STOP_AT_RING && ringAgrees)) {
                count = LATER_POINTS.length();
            }
        }
    } while (taken < count);
    float visibility = count == 1 ? ringLit / float(RING_POINTS) : (lit - ringLit) / float(DISK_POINTS);
    return visibility * smoothstep(0.0, TERMINATOR_FADE, cosine);
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
