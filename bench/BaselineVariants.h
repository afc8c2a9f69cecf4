#pragma once

#include "FrameVariant.h"
#include "RawScene.h"
#include "SixPassShadow.h"

struct SceneHandles;

// The floor for the renderer's own overhead: the same buffers, programs and
// draws from a minimal hand-written loop.
class RawVariant : public FrameVariant {
public:
    explicit RawVariant(const SceneHandles& handles);

    const char* name() const override { return "raw"; }
    void update(double deltaSeconds) override;
    void renderShadowPass() override;
    void renderMainPass() override;

private:
    RawScene scene;
};

// The hand-written loop with the shadow cube map rendered one face at a
// time instead of in one layered pass; nothing else differs from RawVariant.
class SixPassVariant : public FrameVariant {
public:
    SixPassVariant(const SceneHandles& handles, const PixelShader& faceProgram);

    const char* name() const override { return "six-pass"; }
    void update(double deltaSeconds) override;
    void renderShadowPass() override;
    void renderMainPass() override;

private:
    RawScene scene;
    SixPassShadow shadow;
};
