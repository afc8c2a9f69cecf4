#include "animation/AnimationClock.h"

#include "animation/Animation.h"
#include "base/Log.h"

#include <cmath>

namespace {

// Every owner reports a bad index under the camera's name.
const char* const component = "CameraAnimation";

} // namespace

std::optional<double> AnimationClock::ticks(std::size_t index,
                                            const std::vector<std::unique_ptr<Animation>>& animations) const
{
    if (index >= animations.size()) {
        Log::error(component, "Invalid animation number");
        return std::nullopt;
    }
    const Animation& animation = *animations[index];
    // fmod keeps the sign of the ticks; a zero duration gives NaN, which
    // the sampling turns into the last keys.
    return std::fmod(animation.ticksPerSecond * accumulated, animation.duration);
}

std::optional<double> AnimationClock::advance(double dt, std::size_t index,
                                              const std::vector<std::unique_ptr<Animation>>& animations)
{
    if (index < animations.size()) {
        advance(dt);
    }
    return ticks(index, animations);
}

std::optional<glm::mat4> AnimationClock::samplePath(double dt,
                                                   const std::vector<std::unique_ptr<Animation>>& animations)
{
    if (animations.empty()) {
        return std::nullopt;
    }
    const std::optional<double> time = advance(dt, 0, animations);
    const NodeAnimation* path = animations.front()->getChannel(0);
    if (!time || path == nullptr) {
        return std::nullopt;
    }
    return path->sample(*time);
}
