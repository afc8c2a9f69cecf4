#include <GL/glew.h>

#include "scene/Model3D.h"

#include "base/DataDirectories.h"
#include "base/FileStem.h"
#include "base/Finite.h"
#include "base/Log.h"
#include "base/SceneImport.h"
#include "gpu/TextureManager.h"
#include "math/AssimpMatrix.h"
#include "scene/AssetManager.h"
#include "scene/ProcessObjects.h"
#include "scene/TangentFrame.h"

#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

// The import of a model file: Assimp's scene becomes the model's buffers,
// vertex arrays, materials, node tree and animations.

namespace {

constexpr unsigned int importFlags = aiProcess_CalcTangentSpace | aiProcess_Triangulate |
                                     aiProcess_GenSmoothNormals | aiProcess_RemoveRedundantMaterials;
// Whatever goes wrong in the file is the asset manager's to report.
constexpr const char* component = AssetManager::component;
// What a slot holds when the material names no image or its image fails.
constexpr const char* defaultColourFile = "checkerboard.png";
constexpr const char* defaultNormalMapFile = "normal_up.png";

// The CPU side of a model's shared buffers, filled mesh after mesh.
struct VertexData {
    std::vector<glm::vec3> positions;
    std::vector<glm::vec3> normals;
    std::vector<glm::vec2> textureCoordinates;
    std::vector<glm::vec3> tangents;
    std::vector<glm::vec3> bitangents;
    std::vector<std::uint32_t> indices;

    void reserve(std::size_t vertexCount, std::size_t indexCount)
    {
        positions.reserve(vertexCount);
        normals.reserve(vertexCount);
        textureCoordinates.reserve(vertexCount);
        tangents.reserve(vertexCount);
        bitangents.reserve(vertexCount);
        indices.reserve(indexCount);
    }
};

struct Attribute {
    unsigned int location;
    unsigned int buffer;
    int components;
};

glm::vec3 toVec3(const aiVector3D& v)
{
    return {v.x, v.y, v.z};
}

std::optional<glm::vec3> vectorAt(const aiVector3D* vectors, unsigned int index)
{
    return vectors != nullptr ? std::optional<glm::vec3>(toVec3(vectors[index])) : std::nullopt;
}

void appendVertices(const aiMesh& mesh, VertexData& data)
{
    const aiVector3D* textureCoordinates = mesh.mNumVertices > 0 ? mesh.mTextureCoords[0] : nullptr;
    for (unsigned int v = 0; v < mesh.mNumVertices; ++v) {
        data.positions.push_back(toVec3(mesh.mVertices[v]));
        data.textureCoordinates.push_back(textureCoordinates != nullptr
                                              ? glm::vec2(textureCoordinates[v].x, textureCoordinates[v].y)
                                              : glm::vec2(0.0f));
        const TangentFrame frame = TangentFrame::fromImported(
            vectorAt(mesh.mNormals, v), vectorAt(mesh.mBitangents, v), vectorAt(mesh.mTangents, v));
        data.normals.push_back(frame.normal);
        data.tangents.push_back(frame.tangent);
        data.bitangents.push_back(frame.bitangent);
    }
}

// Points and lines survive triangulation; each still takes three indices,
// as a degenerate triangle of its own first index that draws nothing.
void appendIndices(const aiMesh& mesh, VertexData& data)
{
    for (unsigned int f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices >= 3) {
            data.indices.insert(data.indices.end(), face.mIndices, face.mIndices + 3);
        } else {
            const std::uint32_t first = face.mNumIndices > 0 ? face.mIndices[0] : 0;
            data.indices.insert(data.indices.end(), 3, first);
        }
    }
}

template <typename T>
unsigned int createBuffer(GLenum target, const std::vector<T>& values)
{
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, static_cast<GLsizeiptr>(values.size() * sizeof(T)), values.data(), GL_STATIC_DRAW);
    glBindBuffer(target, 0);
    return buffer;
}

unsigned int createVertexArray(std::initializer_list<Attribute> attributes, unsigned int indexBuffer)
{
    GLuint vertexArray = 0;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    for (const Attribute& attribute : attributes) {
        glBindBuffer(GL_ARRAY_BUFFER, attribute.buffer);
        glEnableVertexAttribArray(attribute.location);
        glVertexAttribPointer(attribute.location, attribute.components, GL_FLOAT, GL_FALSE, 0, nullptr);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return vertexArray;
}

Texture* requestTexture(const std::string& fileName, int unit, const std::string& samplerName,
                        ImageDecoder::Use use)
{
    return processObjects().textures->addTexture(fileName, unit, samplerName, GL_RGBA, GL_BGRA,
                                                 GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT, use);
}

Texture* requestColourTexture(const std::string& fileName)
{
    return requestTexture(fileName, Material::colourUnit, Material::colourSampler, ImageDecoder::Use::Colour);
}

Texture* requestNormalMap(const std::string& fileName)
{
    return requestTexture(fileName, Material::normalMapUnit, Material::normalMapSampler,
                          ImageDecoder::Use::NormalMap);
}

// The path of the material's first texture of the type, if Assimp can
// return one.
std::optional<std::string> firstTexturePath(const aiMaterial& material, aiTextureType type)
{
    aiString path;
    if (aiGetMaterialTexture(&material, type, 0, &path) != aiReturn_SUCCESS) {
        return std::nullopt;
    }
    return std::string(path.C_Str());
}

// The file name of the material's first texture of the type, if Assimp can
// return its path and the path names a file.
std::optional<std::string> firstTextureFile(const aiMaterial& material, aiTextureType type)
{
    const std::optional<std::string> path = firstTexturePath(material, type);
    if (!path) {
        return std::nullopt;
    }
    // Images are looked up by bare file name in the texture directory; a
    // path that names no file there leaves the slot's default in place.
    std::optional<std::string> fileName = textureFileName(*path);
    if (!fileName) {
        Log::error(component, "No file name in texture path '" + *path + "'");
    }
    return fileName;
}

void addNamedImage(const aiMaterial& material, aiTextureType type, ImageDecoder::Use use,
                   std::vector<TextureManager::Image>& images)
{
    const std::optional<std::string> path = firstTexturePath(material, type);
    if (const std::optional<std::string> fileName = path ? textureFileName(*path) : std::nullopt) {
        images.emplace_back(*fileName, use);
    }
}

// Every image the materials ask for, in the order they ask (texturedMaterial
// and untexturedMaterial below).
std::vector<TextureManager::Image> imagesOf(const aiScene& scene)
{
    std::vector<TextureManager::Image> images;
    for (unsigned int m = 0; m < scene.mNumMaterials; ++m) {
        const aiMaterial& material = *scene.mMaterials[m];
        images.emplace_back(defaultColourFile, ImageDecoder::Use::Colour);
        images.emplace_back(defaultNormalMapFile, ImageDecoder::Use::NormalMap);
        if (aiGetMaterialTextureCount(&material, aiTextureType_LIGHTMAP) > 0) {
            addNamedImage(material, aiTextureType_LIGHTMAP, ImageDecoder::Use::NormalMap, images);
        }
        if (aiGetMaterialTextureCount(&material, aiTextureType_DIFFUSE) > 0) {
            addNamedImage(material, aiTextureType_DIFFUSE, ImageDecoder::Use::Colour, images);
        }
    }
    return images;
}

// The texture of the image the material names, or the slot's default when
// the path names no file or the image cannot be loaded: a mesh whose image
// failed then looks like one that never named an image.
Texture* namedOrDefault(const aiMaterial& material, aiTextureType type, Texture* (*request)(const std::string&),
                        Texture* defaultTexture)
{
    const std::optional<std::string> file = firstTextureFile(material, type);
    Texture* named = file ? request(*file) : nullptr;
    return named != nullptr ? named : defaultTexture;
}

// Normal maps are authored in the lightmap slot.
Material texturedMaterial(const aiMaterial& material, unsigned int normalMapCount, unsigned int colourCount)
{
    Texture* colour = requestColourTexture(defaultColourFile);
    Texture* normalMap = requestNormalMap(defaultNormalMapFile);
    if (normalMapCount > 0) {
        normalMap = namedOrDefault(material, aiTextureType_LIGHTMAP, requestNormalMap, normalMap);
    }
    if (colourCount > 0) {
        colour = namedOrDefault(material, aiTextureType_DIFFUSE, requestColourTexture, colour);
    }
    return Material(colour, normalMap);
}

Material untexturedMaterial(const aiMaterial& material)
{
    aiString name;
    aiGetMaterialString(&material, AI_MATKEY_NAME, &name);
    Log::info(component, std::string("No Texture found in Material '") + name.C_Str() + "'");
    Texture* normalMap = requestNormalMap(defaultNormalMapFile);
    Texture* colour = requestColourTexture(defaultColourFile);
    return Material(colour, normalMap);
}

} // namespace

bool Model3D::load(const std::string& fileName)
{
    const std::unique_ptr<aiScene> scene =
        SceneImport::read(DataDirectories::assets + fileName, importFlags, component);
    if (!scene) {
        return false;
    }
    loadMaterials(*scene);
    // The materials have asked for the default images by now, so finding
    // them adds nothing to the log.
    const TextureManager& textures = *processObjects().textures;
    defaultMaterial = Material(textures.findImage(defaultColourFile, ImageDecoder::Use::Colour),
                               textures.findImage(defaultNormalMapFile, ImageDecoder::Use::NormalMap));
    loadMeshes(*scene);
    if (scene->mRootNode != nullptr) {
        rootNode = buildNode(*scene->mRootNode);
        loadAnimations(*scene);
    }
    return true;
}

void Model3D::loadMaterials(const aiScene& scene)
{
    if (!scene.HasMaterials()) {
        Log::error(component, "No Materials found");
        return;
    }
    processObjects().textures->decodeAhead(imagesOf(scene));
    materials.reserve(scene.mNumMaterials);
    for (unsigned int m = 0; m < scene.mNumMaterials; ++m) {
        const aiMaterial& material = *scene.mMaterials[m];
        const unsigned int normalMapCount = aiGetMaterialTextureCount(&material, aiTextureType_LIGHTMAP);
        const unsigned int colourCount = aiGetMaterialTextureCount(&material, aiTextureType_DIFFUSE);
        if (normalMapCount > 0 || colourCount > 0) {
            materials.push_back(texturedMaterial(material, normalMapCount, colourCount));
        } else {
            materials.push_back(untexturedMaterial(material));
        }
    }
}

void Model3D::loadMeshes(const aiScene& scene)
{
    meshes.assign(scene.mNumMeshes, MeshEntry{});
    std::uint32_t vertexTotal = 0;
    std::uint32_t indexTotal = 0;
    for (unsigned int k = 0; k < scene.mNumMeshes; ++k) {
        const aiMesh& mesh = *scene.mMeshes[k];
        MeshEntry& entry = meshes[k];
        entry.indexCount = 3 * mesh.mNumFaces;
        entry.baseVertex = vertexTotal;
        entry.baseIndex = indexTotal;
        entry.materialIndex = mesh.mMaterialIndex;
        vertexTotal += mesh.mNumVertices;
        indexTotal += entry.indexCount;
    }

    VertexData data;
    data.reserve(vertexTotal, indexTotal);
    for (unsigned int k = 0; k < scene.mNumMeshes; ++k) {
        appendVertices(*scene.mMeshes[k], data);
    }
    for (unsigned int k = 0; k < scene.mNumMeshes; ++k) {
        appendIndices(*scene.mMeshes[k], data);
    }

    positionBuffer = createBuffer(GL_ARRAY_BUFFER, data.positions);
    normalBuffer = createBuffer(GL_ARRAY_BUFFER, data.normals);
    textureCoordinateBuffer = createBuffer(GL_ARRAY_BUFFER, data.textureCoordinates);
    tangentBuffer = createBuffer(GL_ARRAY_BUFFER, data.tangents);
    bitangentBuffer = createBuffer(GL_ARRAY_BUFFER, data.bitangents);
    indexBuffer = createBuffer(GL_ELEMENT_ARRAY_BUFFER, data.indices);

    mainVertexArray = createVertexArray({{0, positionBuffer, 3},
                                         {1, textureCoordinateBuffer, 2},
                                         {2, normalBuffer, 3},
                                         {3, tangentBuffer, 3},
                                         {4, bitangentBuffer, 3}},
                                        indexBuffer);
    depthVertexArray = createVertexArray({{0, positionBuffer, 3}}, indexBuffer);
}

std::unique_ptr<ModelNode> Model3D::buildNode(const aiNode& source)
{
    auto node = std::make_unique<ModelNode>();
    node->name = source.mName.C_Str();
    node->meshIndices.assign(source.mMeshes, source.mMeshes + source.mNumMeshes);
    node->localTransform = convertAssimpMatrix(source.mTransformation);
    // The node stays in the tree, so that its channel and its children are
    // found, but nothing below it can be placed or drawn.
    if (!isFinite(node->localTransform)) {
        Log::error(component, "Node '" + node->name + "' has a transform that is not finite");
    }
    node->channelIndex = -1;
    node->children.reserve(source.mNumChildren);
    for (unsigned int c = 0; c < source.mNumChildren; ++c) {
        node->children.push_back(buildNode(*source.mChildren[c]));
    }
    return node;
}

void Model3D::loadAnimations(const aiScene& scene)
{
    if (scene.mAnimations == nullptr) {
        return;
    }
    for (unsigned int a = 0; a < scene.mNumAnimations; ++a) {
        animations.push_back(std::make_unique<Animation>(*scene.mAnimations[a]));
        rootNode->bindChannels(*animations.back());
        animations.back()->reportNonFiniteKeys(component);
    }
}
