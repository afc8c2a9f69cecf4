#pragma once

#include "BenchResults.h"

#include <vector>

class FrameDriver;
class FrameVariant;
class Workspace;

// The main pass's shaders beside the frozen references of the shaders they
// replaced: at each chosen moment of the animation paths, the renderer, the
// reference, the control with the filter's early-out forced off and the two
// floors draw the same still frame in interleaved rounds, as do the other
// two shadowed programs and their references on the steps model; then every
// shipped program's picture is compared with its reference's.
class MainPassComparison {
public:
    // A picture keeps the reference's when no channel is more than this
    // many steps of 255 off and at most mostPixelsOff pixels more than a
    // slight gap.
    static constexpr double pictureTolerance = 8.0;
    static constexpr std::size_t mostPixelsOff = 10;

    explicit MainPassComparison(BenchResults& results);

    // Moments in seconds from the start of the paths, ascending. False when
    // the scene or one of the programs could not be set up.
    bool run(const Workspace& workspace, const std::vector<double>& moments);

private:
    struct PicturePair {
        const char* program;
        FrameVariant* shipped;
        FrameVariant* reference;
    };

    // The variants' frames at the moment they all show, then the pictures.
    MomentResult measureMoment(FrameDriver& driver, const std::vector<FrameVariant*>& variants,
                               const std::vector<PicturePair>& pairs, const SceneHandles& handles,
                               double seconds) const;
    void comparePictures(FrameDriver& driver, const std::vector<PicturePair>& pairs, const SceneHandles& handles,
                         MomentResult& moment) const;
    void addPictureChecks(const std::vector<PicturePair>& pairs);

    BenchResults& results;
};
