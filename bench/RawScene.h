#pragma once

#include "animation/AnimationClock.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class Animation;
class BaseLight;
class NodeAnimation;
class PixelShader;
struct SceneHandles;

// A program the raw loop draws in place of another: every model whose
// program is from is drawn with to, fed the same uniforms.
struct ProgramSwap {
    const PixelShader* from = nullptr;
    const PixelShader* to = nullptr;
};

// The scene flattened for a minimal hand-written GL loop: arrays of draws,
// nodes and programs with every uniform location looked up once and every
// constant uniform set once, no managers, no registries, no recursion. It
// keeps its own animation clocks and pose, so it animates exactly as the
// renderer does without touching the renderer's state.
class RawScene {
public:
    explicit RawScene(const SceneHandles& handles, const ProgramSwap& swap = {});

    // Polls events and poses camera, light and nodes for the next frame.
    void update(double deltaSeconds);
    // Accumulates every node's world matrix from the pose.
    void computeWorldMatrices();
    // The layered single-pass shadow: the renderer's framebuffer, program
    // and cube-face matrices.
    void renderLayeredShadow();
    void renderMainPass();

    // Every model's depth geometry, each node's world matrix going to
    // modelMatrixLocation of the bound program.
    void drawDepthGeometry(int modelMatrixLocation) const;
    const glm::vec3& lightPosition() const { return currentLightPosition; }
    // shadowProjection * faceRotation[i], fixed for the run.
    const std::array<glm::mat4, 6>& faceProjections() const { return fixedFaceProjections; }
    int shadowMapSize() const { return shadowSize; }
    const std::array<float, 2>& nearFarPlane() const { return nearFar; }
    unsigned int shadowCubemap() const { return cubemap; }
    void restoreWindowViewport() const;

private:
    struct Draw {
        int indexCount;
        std::uintptr_t indexOffset;
        int baseVertex;
        bool hasMaterial;
        unsigned int diffuseTexture;
        unsigned int normalTexture;
    };
    struct Node {
        int parent; // -1 for a model's root
        int model;
        int firstDraw;
        int drawCount;
        const NodeAnimation* channel;
    };
    // Locations of the uniforms that change per frame or per node; -1 for
    // those the program does not use, which the loop then skips.
    struct Program {
        unsigned int id = 0;
        bool followsMovingLight = false;
        int lightPosition = -1;
        int mvpMatrix = -1;
        int mvMatrix = -1;
        int modelMatrix = -1;
        int viewMatrix = -1;
        int normalMatrix = -1;
    };
    struct Model {
        Program program;
        bool hasProgram;
        unsigned int mainVertexArray;
        unsigned int depthVertexArray;
        glm::mat4 modelTransform;
        int firstNode;
        int nodeCount;
        const std::vector<std::unique_ptr<Animation>>* animations;
    };

    void addModel(const SceneHandles& handles, const ProgramSwap& swap, int modelIndex);
    void setLightConstants(const Program& program, const BaseLight& light) const;
    void uploadNodeMatrices(const Program& program, const glm::mat4& world) const;

    std::vector<Draw> draws;
    std::vector<Node> nodes;
    std::vector<Model> models;
    const std::vector<std::unique_ptr<Animation>>* cameraPath;
    const std::vector<std::unique_ptr<Animation>>* lightPath;
    glm::mat4 projection;

    Program shadowProgram;
    int cubemapMatrixLocation = -1;
    unsigned int shadowFramebuffer = 0;
    unsigned int cubemap = 0;
    int shadowSize = 0;
    std::array<float, 2> nearFar{};
    std::array<glm::mat4, 6> fixedFaceProjections;
    int windowWidth = 0;
    int windowHeight = 0;

    AnimationClock cameraClock;
    AnimationClock lightClock;
    AnimationClock modelClock;
    glm::mat4 view;
    glm::vec3 currentLightPosition;
    std::vector<glm::mat4> localTransforms;
    std::vector<glm::mat4> worldTransforms;
    std::array<glm::mat4, 6> cubemapMatrices;
};
