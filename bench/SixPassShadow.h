#pragma once

#include <array>

class PixelShader;
class RawScene;

// The common alternative to the layered shadow pass: the same cube map
// rendered one face at a time, through a framebuffer per face and a program
// whose vertex stage applies that face's matrix (six draws per mesh, no
// geometry stage).
class SixPassShadow {
public:
    // The program is the shadow fragment stage behind the one-face vertex
    // stage; the cube map is the scene's shadow cube map.
    SixPassShadow(const PixelShader& program, const RawScene& scene);
    ~SixPassShadow();
    SixPassShadow(const SixPassShadow&) = delete;
    SixPassShadow& operator=(const SixPassShadow&) = delete;

    void render(const RawScene& scene) const;

private:
    unsigned int program;
    int faceMatrixLocation;
    int modelMatrixLocation;
    int lightPositionLocation;
    std::array<unsigned int, 6> faceFramebuffers{};
};
