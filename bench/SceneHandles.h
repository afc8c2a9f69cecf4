#pragma once

#include <vector>

class CameraAnimation;
class Model3D;
class PixelShader;
class PointLight;
class Renderer;

// What the hand-written baselines borrow from a started scene: the same
// buffers, vertex arrays, textures and programs, and the immutable key
// frames. Models come in the asset manager's (ascending name) order.
struct SceneHandles {
    std::vector<const Model3D*> models;
    const CameraAnimation* camera = nullptr;
    // The light the shadow program looks from.
    const PointLight* pointLight = nullptr;
    const PixelShader* shadowProgram = nullptr;
    const Renderer* renderer = nullptr;
    int windowWidth = 0;
    int windowHeight = 0;
};
