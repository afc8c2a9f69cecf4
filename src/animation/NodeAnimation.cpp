#include "animation/NodeAnimation.h"

#include "base/Finite.h"

#include <assimp/anim.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <cstddef>

namespace {

// Where a time falls in one key list: the key to use, and whether to blend
// it with the next one (by factor).
struct KeySpan {
    std::size_t index = 0;
    bool interpolate = false;
    float factor = 0.0f;
};

// Searches from the first key on every call. Times before the first key or
// at/after the last one hold that key.
template <typename Key>
KeySpan locate(const std::vector<Key>& keys, double time)
{
    KeySpan span;
    const std::size_t last = keys.size() - 1;
    // "Not after" rather than "at or before": a NaN time (a zero-length
    // animation) then runs to the last key and holds it instead of turning
    // into a NaN blend factor.
    while (span.index < last && !(keys[span.index + 1].time > time)) {
        ++span.index;
    }
    if (span.index == last || time < keys[span.index].time) {
        return span;
    }
    const double start = keys[span.index].time;
    const double end = keys[span.index + 1].time;
    const float factor = static_cast<float>((time - start) / (end - start));
    // A key time that is NaN or infinite leaves no place between the two
    // keys; the earlier one is held rather than blended by a NaN.
    if (std::isfinite(factor)) {
        span.interpolate = true;
        span.factor = factor;
    }
    return span;
}

glm::vec3 sampleVector(const std::vector<VectorKey>& keys, double time, const glm::vec3& none)
{
    if (keys.empty()) {
        return none;
    }
    if (keys.size() == 1) {
        return keys.front().value;
    }
    const KeySpan span = locate(keys, time);
    const glm::vec3& from = keys[span.index].value;
    if (!span.interpolate) {
        return from;
    }
    return from + (keys[span.index + 1].value - from) * span.factor;
}

glm::quat sampleRotation(const std::vector<QuatKey>& keys, double time)
{
    if (keys.empty()) {
        return glm::quat();
    }
    if (keys.size() == 1) {
        return keys.front().value;
    }
    const KeySpan span = locate(keys, time);
    if (!span.interpolate) {
        return keys[span.index].value;
    }
    // glm::normalize turns a zero-length blend into the identity rotation.
    return glm::normalize(glm::slerp(keys[span.index].value, keys[span.index + 1].value, span.factor));
}

VectorKey copyKey(const aiVectorKey& key)
{
    return {key.mTime, glm::vec3(key.mValue.x, key.mValue.y, key.mValue.z)};
}

QuatKey copyKey(const aiQuatKey& key)
{
    return {key.mTime, glm::quat(key.mValue.w, key.mValue.x, key.mValue.y, key.mValue.z)};
}

template <typename Key, typename AssimpKey>
std::vector<Key> copyKeys(const AssimpKey* keys, unsigned int count)
{
    std::vector<Key> copies;
    if (keys == nullptr) {
        return copies;
    }
    copies.reserve(count);
    for (unsigned int i = 0; i < count; ++i) {
        copies.push_back(copyKey(keys[i]));
    }
    return copies;
}

template <typename Key>
bool allFinite(const std::vector<Key>& keys)
{
    for (const Key& key : keys) {
        if (!std::isfinite(key.time) || !isFinite(key.value)) {
            return false;
        }
    }
    return true;
}

} // namespace

NodeAnimation::NodeAnimation(const aiNodeAnim& channel)
    : nodeName(channel.mNodeName.C_Str()),
      positionKeys(copyKeys<VectorKey>(channel.mPositionKeys, channel.mNumPositionKeys)),
      scalingKeys(copyKeys<VectorKey>(channel.mScalingKeys, channel.mNumScalingKeys)),
      rotationKeys(copyKeys<QuatKey>(channel.mRotationKeys, channel.mNumRotationKeys))
{
}

glm::mat4 NodeAnimation::sample(double time) const
{
    const glm::mat4 translation = glm::translate(glm::mat4(1.0f), sampleVector(positionKeys, time, glm::vec3(0.0f)));
    const glm::mat4 rotation(glm::mat3_cast(sampleRotation(rotationKeys, time)));
    const glm::mat4 scaling = glm::scale(glm::mat4(1.0f), sampleVector(scalingKeys, time, glm::vec3(1.0f)));
    return translation * rotation * scaling;
}

bool NodeAnimation::hasFiniteKeys() const
{
    return allFinite(positionKeys) && allFinite(scalingKeys) && allFinite(rotationKeys);
}
