#include "SwappedProgramVariant.h"

SwappedProgramVariant::SwappedProgramVariant(std::string name, const SceneHandles& handles, const ProgramSwap& swap)
    : variantName(std::move(name)), scene(handles, swap)
{
}

void SwappedProgramVariant::update(double deltaSeconds)
{
    scene.update(deltaSeconds);
}

void SwappedProgramVariant::renderShadowPass()
{
    scene.renderLayeredShadow();
}

void SwappedProgramVariant::renderMainPass()
{
    scene.renderMainPass();
}
