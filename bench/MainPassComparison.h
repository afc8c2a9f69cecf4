#pragma once

#include "BenchResults.h"

#include <vector>

class FrameDriver;
class FrameVariant;
class Workspace;

// The main pass's shaders beside the frozen references of the shaders they
// replaced: at each chosen moment of the animation paths, the renderer, the
// reference, the control with the filter's proof switched off and the two
// floors draw the same still frame in interleaved rounds, as do the other
// two shadowed programs and their references on the steps model; then every
// shipped program's picture is compared with its reference's. The
// fine-detail scene is compared picture by picture only.
class MainPassComparison {
public:
    // A picture keeps the reference's when no channel of any pixel is more
    // than this many steps of 255 off.
    static constexpr double pictureTolerance = Difference::slightGap;

    explicit MainPassComparison(BenchResults& results);

    // Runs in the workspace, which holds the shipped scene; moments in
    // seconds from the start of the paths, ascending. False when the scene
    // or one of the programs could not be set up.
    bool run(const Workspace& workspace, const std::vector<double>& moments);
    // The pictures alone, in a workspace that holds the fine-detail scene in
    // place of the shipped one.
    bool compareFineDetail(const Workspace& workspace, const std::vector<double>& moments);

    struct PicturePair {
        const char* program;
        FrameVariant* shipped;
        FrameVariant* reference;
    };

private:
    // Each moment shown still, timed or for its pictures alone; its results
    // go into the list and its picture checks are named after the scene.
    bool compareAt(const Workspace& workspace, const std::vector<double>& moments, bool timed,
                   std::vector<MomentResult>& into, const char* scene);
    // The variants' frames at the moment they all show (none for pictures
    // alone), then the pictures.
    MomentResult measureMoment(FrameDriver& driver, const std::vector<FrameVariant*>& variants,
                               const std::vector<PicturePair>& pairs, const SceneHandles& handles,
                               double seconds) const;
    void addPictureChecks(const std::vector<PicturePair>& pairs, const std::vector<MomentResult>& moments,
                          const char* scene);

    BenchResults& results;
};
