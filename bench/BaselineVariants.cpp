#include "BaselineVariants.h"

RawVariant::RawVariant(const SceneHandles& handles) : scene(handles)
{
}

void RawVariant::update(double deltaSeconds)
{
    scene.update(deltaSeconds);
}

void RawVariant::renderShadowPass()
{
    scene.renderLayeredShadow();
}

void RawVariant::renderMainPass()
{
    scene.renderMainPass();
}

SixPassVariant::SixPassVariant(const SceneHandles& handles, const PixelShader& faceProgram)
    : scene(handles), shadow(faceProgram, scene)
{
}

void SixPassVariant::update(double deltaSeconds)
{
    scene.update(deltaSeconds);
}

void SixPassVariant::renderShadowPass()
{
    scene.computeWorldMatrices();
    shadow.render(scene);
}

void SixPassVariant::renderMainPass()
{
    scene.renderMainPass();
}
