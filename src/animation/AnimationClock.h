#pragma once

#include <glm/mat4x4.hpp>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

class Animation;

// The accumulated animation time of one owning class (camera, point light,
// model), shared by all its instances. It starts at 0 with the program and
// the program never resets it.
class AnimationClock {
public:
    // Adds dt (seconds).
    void advance(double dt) { accumulated += dt; }

    // The sample time in ticks of the animation at index, wrapped into its
    // duration; nothing, after the "Invalid animation number" error line,
    // when there is no such animation.
    std::optional<double> ticks(std::size_t index, const std::vector<std::unique_ptr<Animation>>& animations) const;

    // Adds dt and returns ticks(index); nothing, without advancing, when
    // there is no such animation.
    std::optional<double> advance(double dt, std::size_t index,
                                  const std::vector<std::unique_ptr<Animation>>& animations);

    // For the camera and the point light, which follow one path: advances
    // by dt and samples channel 0 of animation 0. Nothing when there is no
    // animation, or no channel to sample.
    std::optional<glm::mat4> samplePath(double dt, const std::vector<std::unique_ptr<Animation>>& animations);

    double seconds() const { return accumulated; }
    // Starts again from 0, for tests that need a known clock.
    void reset() { accumulated = 0.0; }

private:
    double accumulated = 0.0;
};
