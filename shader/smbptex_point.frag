#version 430 core

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
// of their occluders. Most fragments are wholly lit or wholly shadowed: a
// proof over every texel the disk's samples can read finds those, and only
// the other fragments take the samples (see provenVisibility).

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

// Point i of the filter's disk. The points are computed rather than taken
// from a table: rounded otherwise, a sample that lies on a shadow's edge can
// tip, and the picture would no longer be its reference's to the bit.
vec2 diskPoint(int index)
{
    float radius = sqrt((float(index) + 0.5) / float(DISK_POINTS));
    float angle = float(index) * GOLDEN_ANGLE;
    return radius * vec2(cos(angle), sin(angle));
}

// The cube face that sees a direction, as the texture unit picks it: the
// axis it looks along and the axes of its texel grid, so that direction v
// falls at texel position (dot(v, gridS), dot(v, gridT)) / dot(v, look),
// plus one, times half the face size.
struct CubeFace {
    vec3 look;
    vec3 gridS;
    vec3 gridT;
};

CubeFace faceSeeing(vec3 v)
{
    vec3 size = abs(v);
    CubeFace face;
    if (size.x >= size.y && size.x >= size.z) {
        float side = sign(v.x);
        face.look = vec3(side, 0.0, 0.0);
        face.gridS = vec3(0.0, 0.0, -side);
        face.gridT = vec3(0.0, -1.0, 0.0);
    } else if (size.y >= size.z) {
        float side = sign(v.y);
        face.look = vec3(0.0, side, 0.0);
        face.gridS = vec3(1.0, 0.0, 0.0);
        face.gridT = vec3(0.0, 0.0, side);
    } else {
        float side = sign(v.z);
        face.look = vec3(0.0, 0.0, side);
        face.gridS = vec3(side, 0.0, 0.0);
        face.gridT = vec3(0.0, -1.0, 0.0);
    }
    return face;
}

// The proof below reads the texels the samples can blend with gathers of
// 2 x 2: nine over a block of 6 x 6, and near a face's edges, where the disk
// spans more texels, up to seven more for a block of up to 8 x 8. Its
// margins: texels for the rounding of texel positions, and depth for the
// rounding of the samples' receiver depths, of the texture unit's blend and
// of the proof's own arithmetic (about 7e-7 together; a lit receiver's own
// texels stand at least 1.2e-6 above the depth its bias asks for, even at
// the far plane).
const float LARGEST_BLOCK = 8.0;
const float POSITION_MARGIN = 0.01;
const float DEPTH_MARGIN = 1e-6;

// 1 where every sample of the disk is proven lit, 0 where every one is
// proven shadowed, -1 where neither is proven and the caller takes them all.
//
// A sample is lit where the bilinear blend of four texels of the cube map is
// at least the receiver's depth along the sample's ray. The proof:
// - All samples and the four texels of each blend lie in one block of 6 x 6
//   texels (8 x 8 near the edges) on the fragment's face, off its edges: a
//   sample's face position lies at most reach texels from the fragment's.
//   Elsewhere the texture unit could pick another face or blend across the
//   edge: no proof.
// - On that face the ray through face position (X, Y) meets the receiver's
//   plane at distance m along the face's axis with 1 / m = L(X, Y), linear in
//   (X, Y), as long as the sample's point along its ray stays within the
//   filter's bounds of 0.8 and 1.25 (checked: else no proof). Its receiver
//   depth is R = faceDepth(m - bias) = depthOffset - depthScale L / (1 - bias
//   L), concave in L and so in (X, Y).
// - Over the block's range of L, the chord of R bounds R from below, and the
//   chord raised by the most a tangent rises above it (at the range's ends)
//   bounds R from above. Both are planes in (X, Y), and a bilinear blend of
//   four texels is the same blend of a plane at their centres, which is the
//   plane at the sample's position.
// So where every texel of the block lies above the raised chord, every blend
// lies above every sample's receiver depth: all lit. Where every texel lies
// below the chord, every blend lies below: all shadowed.
float provenVisibility(vec3 fromLight, vec3 normal, float planeOffset, float bias, float axisDistance,
                       float radius, float cosine)
{
    float near = nearFarPlane.x;
    float far = nearFarPlane.y;
    float faceSize = float(textureSize(cubeMap, 0).x);
    CubeFace face = faceSeeing(fromLight);
    vec2 onFace = vec2(dot(fromLight, face.gridS), dot(fromLight, face.gridT)) / axisDistance;
    vec2 position = (onFace + 1.0) * 0.5 * faceSize;
    // An offset o across the ray moves the face position by at most
    // |o| sqrt(1 + onFace^2) / (axisDistance - |o|), in half face sizes.
    vec2 reach = 0.5 * faceSize * radius * sqrt(1.0 + onFace * onFace) / (axisDistance - radius) + POSITION_MARGIN;
    // The first and last texel any sample's blend can take, along each axis.
    vec2 first = floor(position - reach - 0.5);
    vec2 last = floor(position + reach - 0.5) + 1.0;
    // Gathers along each axis, three or four, and the block's last texel.
    vec2 gathers = max(ceil((last - first + 1.0) * 0.5), 3.0);
    vec2 blockEnd = 2.0 * gathers - 1.0;
    bool onOneFace = all(greaterThanEqual(first, vec2(0.0)))
                     && all(lessThanEqual(first + blockEnd, vec2(faceSize - 1.0)))
                     && all(lessThan(last - first, vec2(LARGEST_BLOCK)));
    // The receiver's plane moves by at most radius * sine along an offset;
    // the samples' points along their rays stay within the bounds while
    // that is less than a fifth of the plane's distance from the light.
    bool unclamped = radius * sqrt(1.0 - cosine * cosine) < 0.19 * abs(planeOffset);

    // L at the block's texels: its value at the first one's centre plus
    // gradient times the texel's offset from it, 0 to blockEnd along each
    // axis.
    vec2 gradient = vec2(dot(normal, face.gridS), dot(normal, face.gridT)) * (2.0 / faceSize) / planeOffset;
    float atFirst = 1.0 / axisDistance + dot(gradient, first + 0.5 - position);
    float lowest = dot(blockEnd, min(gradient, 0.0));
    float highest = dot(blockEnd, max(gradient, 0.0));
    float deepest = atFirst + lowest;
    float shallowest = atFirst + highest;
    // faceDepth stops at the near plane and the stored depth at the far one;
    // 1 - bias L stays positive.
    bool clearOfPlanes = deepest > 0.0 && 1.0 / shallowest - bias > near * 1.01
                         && bias * shallowest < 0.5 && 1.0 / deepest < 0.99 * far;
    if (!(onOneFace && unclamped && clearOfPlanes)) {
        return -1.0;
    }

    float depthOffset = 0.5 * (far + near) / (far - near) + 0.5;
    float depthScale = far * near / (far - near);
    float atDeepest = depthOffset - depthScale * deepest / (1.0 - bias * deepest);
    float atShallowest = depthOffset - depthScale * shallowest / (1.0 - bias * shallowest);
    float chordSlope = highest > lowest ? (atShallowest - atDeepest) / (highest - lowest) : 0.0;
    float middle = 0.5 * (deepest + shallowest);
    float bend = 1.0 - bias * middle;
    float atMiddle = depthOffset - depthScale * middle / bend;
    float tangentSlope = -depthScale / (bend * bend);
    float rise = max(atMiddle + tangentSlope * (deepest - middle) - atDeepest,
                     atMiddle + tangentSlope * (shallowest - middle) - atShallowest);
    // The chord's step from texel to texel; the blend's weights may be
    // rounded to 8 bits, and its position by a ten-thousandth of a texel.
    vec2 chordStep = chordSlope * gradient;
    float margin = DEPTH_MARGIN + (abs(chordStep.x) + abs(chordStep.y)) / 128.0;
    float chordAtFirst = atDeepest - chordSlope * lowest;
    // A gather returns the texels left top, right top, right bottom and left
    // bottom of the corner it is aimed at.
    vec4 withinGather = vec4(chordStep.y, chordStep.x + chordStep.y, chordStep.x, 0.0);
    float texelStep = 2.0 / faceSize;
    vec3 firstCorner = face.look + face.gridS * ((first.x + 1.0) * texelStep - 1.0)
                       + face.gridT * ((first.y + 1.0) * texelStep - 1.0);

    // The least and the largest height of a texel above the chord: nine
    // gathers, then the fourth column and row where the block needs them,
    // in a loop whose bound it cannot see before it runs, so that a group
    // of fragments that all need none takes none.
    vec4 leastAbove = vec4(1.0);
    vec4 largestAbove = vec4(-1.0);
    int extraColumn = int(gathers.x) - 3;
    int extraRow = int(gathers.y) - 3;
    int inExtraColumn = extraColumn * int(gathers.y);
    int extra = inExtraColumn + extraRow * 3;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            vec2 step = vec2(float(2 * column), float(2 * row));
            vec4 above = textureGather(cubeMap, firstCorner + (face.gridS * step.x + face.gridT * step.y) * texelStep)
                         - (chordAtFirst + dot(chordStep, step) + withinGather);
            leastAbove = min(leastAbove, above);
            largestAbove = max(largestAbove, above);
        }
    }
    for (int k = 0; k < extra; ++k) {
        vec2 step = k < inExtraColumn ? vec2(6.0, float(2 * k)) : vec2(float(2 * (k - inExtraColumn)), 6.0);
        vec4 above = textureGather(cubeMap, firstCorner + (face.gridS * step.x + face.gridT * step.y) * texelStep)
                     - (chordAtFirst + dot(chordStep, step) + withinGather);
        leastAbove = min(leastAbove, above);
        largestAbove = max(largestAbove, above);
    }
    float least = min(min(leastAbove.x, leastAbove.y), min(leastAbove.z, leastAbove.w));
    float largest = max(max(largestAbove.x, largestAbove.y), max(largestAbove.z, largestAbove.w));
    if (least >= rise + margin) {
        return 1.0;
    }
    return largest <= -margin ? 0.0 : -1.0;
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
    vec3 acrossToo = cross(ray, across);
    float planeOffset = dot(normal, fromLight);
    float bias = texel * (CONSTANT_BIAS_TEXELS + SLOPE_BIAS_TEXELS * slope);

    float proven = provenVisibility(fromLight, normal, planeOffset, bias, axisDistance, radius, cosine);
    // A bound the loop cannot see before it runs: a group of fragments
    // that all have a proof leaves it at once.
    int count = proven < 0.0 ? DISK_POINTS : 0;
    float lit = 0.0;
    for (int i = 0; i < count; ++i) {
        vec2 offset = radius * diskPoint(i);
        vec3 direction = fromLight + across * offset.x + acrossToo * offset.y;
        // Where this sample's ray meets the receiver's plane, relative to
        // the fragment's distance; bounded, since near grazing the plane runs
        // almost along the ray.
        float alongRay = clamp(planeOffset / min(dot(normal, direction), -1e-6), 0.8, 1.25);
        // Depths are compared through faceDepth. Where an occluder stands on
        // its receiver the two depths differ by a few steps, so a comparison
        // that rounds otherwise, of distances say, moves the edge of the
        // contact shadow.
        float receiverDepth = min(faceDepth(alongRay * faceAxisDistance(direction) - bias), 1.0);
        float storedDepth = textureLod(cubeMap, direction, 0.0).r;
        lit += receiverDepth <= storedDepth ? 1.0 : 0.0;
    }
    float visibility = proven < 0.0 ? lit / float(DISK_POINTS) : proven;
    return visibility * smoothstep(0.0, TERMINATOR_FADE, cosine);
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
