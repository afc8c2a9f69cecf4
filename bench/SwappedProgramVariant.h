#pragma once

#include "FrameVariant.h"
#include "RawScene.h"

#include <string>

struct SceneHandles;

// The raw loop drawing one model's program swapped for another: the frozen
// reference shaders, the floors and the control of the main-pass comparison.
// The shadow pass is the handles' own, so a program that reads another
// encoding of the cube map comes with handles naming that pass's program.
class SwappedProgramVariant : public FrameVariant {
public:
    SwappedProgramVariant(std::string name, const SceneHandles& handles, const ProgramSwap& swap);

    const char* name() const override { return variantName.c_str(); }
    void update(double deltaSeconds) override;
    void renderShadowPass() override;
    void renderMainPass() override;

private:
    std::string variantName;
    RawScene scene;
};
