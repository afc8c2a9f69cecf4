#pragma once

#include "animation/Animation.h"
#include "animation/AnimationClock.h"
#include "animation/Camera.h"

#include <memory>
#include <string>
#include <vector>

// The camera, placed and moved by the first camera and the animations of a
// Collada file in the asset directory.
class CameraAnimation : public Camera {
public:
    // Never fails as an object: a file that cannot be used leaves the
    // identity view and no animations, after its error line.
    CameraAnimation(const glm::mat4& projection, const std::string& fileName);
    virtual ~CameraAnimation() = default;

    // The view becomes the inverse of channel 0 of animation 0 at the class
    // clock's time.
    virtual void update(double dt);

    std::vector<std::unique_ptr<Animation>> animations;

    static AnimationClock clock;
};
