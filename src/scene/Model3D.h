#pragma once

#include "animation/Animation.h"
#include "animation/AnimationClock.h"
#include "scene/Material.h"
#include "scene/MeshEntry.h"
#include "scene/ModelNode.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <memory>
#include <string>
#include <vector>

struct aiNode;
struct aiScene;
class PixelShader;

// One drawable object: a Collada file's meshes in shared GPU buffers, its
// node hierarchy, materials and animations.
class Model3D {
public:
    // modelTransform = T * R * S; the angle is in degrees.
    Model3D(PixelShader* program, float specularCoeff, float specularPower, const glm::vec3& translation,
            const glm::vec3& rotationAxis, float rotationAngle, const glm::vec3& scale);
    virtual ~Model3D();
    Model3D(const Model3D&) = delete;
    Model3D& operator=(const Model3D&) = delete;

    // Imports the file from the asset directory in a bounded child process;
    // false when no scene came back (Assimp refused the file, a check or a
    // limit stopped it, after a line saying why), in which case no GL
    // object has been made.
    virtual bool load(const std::string& fileName);
    // Draws with the program, its light, the shadow cube map and the
    // materials.
    virtual void draw(PixelShader* shader);
    // Poses the node tree from the first animation, if there is one, at the
    // model clock's time. The clock is shared by every model and advanced
    // once a frame by the asset manager, so all models play in step.
    virtual void update();

    // Draws the geometry alone, with whatever program is bound.
    void drawDepth();
    void drawNode(glm::mat4 parentMatrix, const ModelNode& node) const;
    // One draw per mesh of the node, with its material bound; the node's
    // matrices are already on the active program.
    void drawMeshes(const ModelNode& node) const;
    // Uploads the five per-node matrices to the active program; false,
    // uploading nothing, when one of them is not finite (a NaN or infinite
    // transform above the node), so that the node's meshes are not drawn.
    static bool setMatrices(glm::mat4 modelMatrix);
    // Poses the node tree from the animation at index, at the model clock's
    // time.
    void animate(std::size_t animationIndex);
    void applyAnimation(double time, std::size_t animationIndex, ModelNode& node);

    glm::mat4 modelTransform;
    unsigned int mainVertexArray = 0;
    unsigned int depthVertexArray = 0;
    unsigned int positionBuffer = 0;
    unsigned int normalBuffer = 0;
    unsigned int indexBuffer = 0;
    unsigned int textureCoordinateBuffer = 0;
    unsigned int tangentBuffer = 0;
    unsigned int bitangentBuffer = 0;
    // Not owned; null when the shader manager did not know its name.
    PixelShader* program;
    std::unique_ptr<ModelNode> rootNode;
    float specularCoeff;
    float specularPower;
    std::vector<Material> materials;
    // What meshes draw with whose material index names no material: the
    // default images, as far as they are loaded.
    Material defaultMaterial{nullptr, nullptr};
    std::vector<MeshEntry> meshes;
    std::vector<std::unique_ptr<Animation>> animations;

    // The one model clock, shared by every model and advanced once a frame.
    static AnimationClock clock;

private:
    void loadMaterials(const aiScene& scene);
    void loadMeshes(const aiScene& scene);
    static std::unique_ptr<ModelNode> buildNode(const aiNode& source);
    void loadAnimations(const aiScene& scene);
};
