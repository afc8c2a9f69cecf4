#include "base/SceneMessage.h"

#include "base/MessageReader.h"
#include "base/MessageWriter.h"

#include <assimp/scene.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// ---- Writing, in the child: Assimp's scene as it came out of the import.

std::string_view textOf(const aiString& text)
{
    return text.C_Str();
}

template <typename T>
void putOptionalArray(MessageWriter& out, const T* values, std::uint32_t count)
{
    out.put<std::uint8_t>(values != nullptr ? 1 : 0);
    if (values != nullptr) {
        out.putArray(values, count);
    }
}

// Only the first three indices of a face are drawn.
void putFaces(MessageWriter& out, const aiMesh& mesh)
{
    out.put<std::uint32_t>(mesh.mFaces != nullptr ? mesh.mNumFaces : 0);
    for (unsigned int f = 0; mesh.mFaces != nullptr && f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        const auto kept = static_cast<std::uint8_t>(std::min(face.mNumIndices, 3u));
        out.put(kept);
        for (std::uint8_t i = 0; i < kept; ++i) {
            out.put<std::uint32_t>(face.mIndices[i]);
        }
    }
}

void putMesh(MessageWriter& out, const aiMesh& mesh)
{
    const std::uint32_t vertexCount = mesh.mVertices != nullptr ? mesh.mNumVertices : 0;
    out.put<std::uint32_t>(mesh.mMaterialIndex);
    out.putArray(mesh.mVertices, vertexCount);
    putOptionalArray(out, mesh.mNormals, vertexCount);
    putOptionalArray(out, mesh.mTangents, vertexCount);
    putOptionalArray(out, mesh.mBitangents, vertexCount);
    std::vector<aiVector2D> textureCoordinates;
    if (mesh.mTextureCoords[0] != nullptr) {
        for (std::uint32_t v = 0; v < vertexCount; ++v) {
            textureCoordinates.emplace_back(mesh.mTextureCoords[0][v].x, mesh.mTextureCoords[0][v].y);
        }
    }
    putOptionalArray(out, vertexCount > 0 && mesh.mTextureCoords[0] != nullptr ? textureCoordinates.data() : nullptr,
                     vertexCount);
    putFaces(out, mesh);
}

void putMaterial(MessageWriter& out, const aiMaterial& material)
{
    out.put<std::uint32_t>(material.mNumProperties);
    for (unsigned int p = 0; p < material.mNumProperties; ++p) {
        const aiMaterialProperty& property = *material.mProperties[p];
        out.putString(textOf(property.mKey));
        out.put<std::uint32_t>(property.mSemantic);
        out.put<std::uint32_t>(property.mIndex);
        out.put<std::uint32_t>(property.mType);
        out.putArray(property.mData, property.mDataLength);
    }
}

void putNodeHeader(MessageWriter& out, const aiNode& node)
{
    out.putString(textOf(node.mName));
    out.put(node.mTransformation);
    out.putArray(node.mMeshes, node.mMeshes != nullptr ? node.mNumMeshes : 0);
    out.put<std::uint32_t>(node.mChildren != nullptr ? node.mNumChildren : 0);
}

// Depth first, a node before its children, with a stack of its own.
template <typename Visit>
void walkNodes(const aiNode& root, Visit visit)
{
    std::vector<std::pair<const aiNode*, unsigned int>> path{{&root, 0}};
    visit(root, path.size());
    while (!path.empty()) {
        const aiNode& node = *path.back().first;
        const unsigned int next = path.back().second++;
        if (node.mChildren == nullptr || next >= node.mNumChildren) {
            path.pop_back();
            continue;
        }
        const aiNode& child = *node.mChildren[next];
        path.emplace_back(&child, 0);
        visit(child, path.size());
    }
}

template <typename Key>
void putKeys(MessageWriter& out, const Key* keys, unsigned int count)
{
    out.put<std::uint32_t>(keys != nullptr ? count : 0);
    for (unsigned int k = 0; keys != nullptr && k < count; ++k) {
        out.put(keys[k].mTime);
        out.put(keys[k].mValue);
    }
}

void putAnimation(MessageWriter& out, const aiAnimation& animation)
{
    out.putString(textOf(animation.mName));
    out.put(animation.mDuration);
    out.put(animation.mTicksPerSecond);
    const unsigned int channelCount = animation.mChannels != nullptr ? animation.mNumChannels : 0;
    out.put<std::uint32_t>(channelCount);
    for (unsigned int c = 0; c < channelCount; ++c) {
        const aiNodeAnim& channel = *animation.mChannels[c];
        out.putString(textOf(channel.mNodeName));
        putKeys(out, channel.mPositionKeys, channel.mNumPositionKeys);
        putKeys(out, channel.mRotationKeys, channel.mNumRotationKeys);
        putKeys(out, channel.mScalingKeys, channel.mNumScalingKeys);
    }
}

template <typename T, typename Put>
void putList(MessageWriter& out, T* const* items, unsigned int count, Put put)
{
    out.put<std::uint32_t>(items != nullptr ? count : 0);
    for (unsigned int i = 0; items != nullptr && i < count; ++i) {
        put(out, *items[i]);
    }
}

// ---- Reading, in the program: nothing is trusted.

// What reading costs in memory, beside the message: the structures made,
// their arrays, and what the allocator adds to each block.
class SceneReader {
public:
    explicit SceneReader(MessageReader& in) : in(in) {}

    std::unique_ptr<aiScene> scene()
    {
        auto scene = std::make_unique<aiScene>();
        readList(scene->mMeshes, scene->mNumMeshes, &SceneReader::mesh);
        readList(scene->mMaterials, scene->mNumMaterials, &SceneReader::material);
        if (flag()) {
            scene->mRootNode = nodeTree().release();
        }
        readList(scene->mAnimations, scene->mNumAnimations, &SceneReader::animation);
        readList(scene->mCameras, scene->mNumCameras, &SceneReader::named<aiCamera>);
        readList(scene->mLights, scene->mNumLights, &SceneReader::named<aiLight>);
        return in.finished() ? std::move(scene) : nullptr;
    }

private:
    static constexpr std::uint64_t blockOverhead = 16;

    // Fails the reader once the scene would take more than its cap.
    bool charge(std::uint64_t bytes)
    {
        cost += bytes + blockOverhead;
        if (cost > SceneMessage::maxSceneBytes) {
            in.fail();
        }
        return in.ok();
    }

    bool flag()
    {
        const auto value = in.get<std::uint8_t>();
        if (value > 1) {
            in.fail();
        }
        return value == 1;
    }

    // A string that fits an aiString.
    bool text(aiString& into)
    {
        const std::string value = in.getString(MAXLEN - 1);
        if (value.find('\0') != std::string::npos) {
            in.fail();
        }
        into.Set(value);
        return in.ok();
    }

    // An array of exactly count values (none for count 0), in a block the
    // structures' destructors free with delete[].
    template <typename T>
    T* array(std::uint32_t count)
    {
        if (count == 0 || !charge(std::uint64_t{sizeof(T)} * count)) {
            return nullptr;
        }
        auto values = std::make_unique<T[]>(count);
        return in.getInto(values.get(), count) ? values.release() : nullptr;
    }

    template <typename T>
    T* countedArray(std::uint32_t expectedCount)
    {
        if (in.getCount(sizeof(T)) != expectedCount) {
            in.fail();
        }
        return array<T>(expectedCount);
    }

    template <typename T>
    T* optionalArray(std::uint32_t expectedCount)
    {
        return flag() ? countedArray<T>(expectedCount) : nullptr;
    }

    // Fills a list of owned records whose count the message gives; each
    // record takes at least a byte of the message.
    template <typename T>
    void readList(T**& items, unsigned int& count, std::unique_ptr<T> (SceneReader::*read)())
    {
        const std::uint32_t wanted = in.getCount(1);
        if (wanted == 0 || !charge(std::uint64_t{sizeof(T*)} * wanted)) {
            return;
        }
        items = new T*[wanted]();
        count = wanted;
        for (std::uint32_t i = 0; i < wanted && in.ok(); ++i) {
            items[i] = (this->*read)().release();
        }
    }

    template <typename T>
    std::unique_ptr<T> record()
    {
        return charge(sizeof(T)) ? std::make_unique<T>() : nullptr;
    }

    std::unique_ptr<aiMesh> mesh()
    {
        auto mesh = record<aiMesh>();
        if (!mesh) {
            return nullptr;
        }
        mesh->mMaterialIndex = in.get<std::uint32_t>();
        const std::uint32_t vertexCount = in.getCount(sizeof(aiVector3D));
        mesh->mNumVertices = vertexCount;
        mesh->mVertices = array<aiVector3D>(vertexCount);
        mesh->mNormals = optionalArray<aiVector3D>(vertexCount);
        mesh->mTangents = optionalArray<aiVector3D>(vertexCount);
        mesh->mBitangents = optionalArray<aiVector3D>(vertexCount);
        // Only x and y travel; the third coordinate is never read.
        const std::unique_ptr<aiVector2D[]> flat(optionalArray<aiVector2D>(vertexCount));
        if (flat && charge(std::uint64_t{sizeof(aiVector3D)} * vertexCount)) {
            mesh->mTextureCoords[0] = new aiVector3D[vertexCount];
            mesh->mNumUVComponents[0] = 2;
            for (std::uint32_t v = 0; v < vertexCount; ++v) {
                mesh->mTextureCoords[0][v] = aiVector3D(flat[v].x, flat[v].y, 0.0f);
            }
        }
        faces(*mesh);
        return mesh;
    }

    // Every index names one of the mesh's vertices.
    void faces(aiMesh& mesh)
    {
        const std::uint32_t faceCount = in.getCount(1);
        if (faceCount == 0 || !charge(std::uint64_t{sizeof(aiFace)} * faceCount)) {
            return;
        }
        mesh.mFaces = new aiFace[faceCount];
        mesh.mNumFaces = faceCount;
        for (std::uint32_t f = 0; f < faceCount && in.ok(); ++f) {
            aiFace& face = mesh.mFaces[f];
            const auto indexCount = in.get<std::uint8_t>();
            if (indexCount > 3) {
                in.fail();
                return;
            }
            face.mIndices = array<unsigned int>(indexCount);
            face.mNumIndices = face.mIndices != nullptr ? indexCount : 0;
            for (unsigned int i = 0; i < face.mNumIndices; ++i) {
                if (face.mIndices[i] >= mesh.mNumVertices) {
                    in.fail();
                }
            }
        }
    }

    // aiGetMaterialString copies a string property's text into an
    // aiString: the length before the text, the text and a NUL byte must
    // fill the property exactly, and fit.
    static bool isWholeString(const aiMaterialProperty& property)
    {
        if (property.mDataLength < sizeof(std::uint32_t) + 1) {
            return false;
        }
        std::uint32_t length = 0;
        std::memcpy(&length, property.mData, sizeof length);
        return length < MAXLEN && std::uint64_t{length} + sizeof length + 1 == property.mDataLength &&
               property.mData[property.mDataLength - 1] == '\0';
    }

    // Assimp's own asserts stop the process on a property without a key or
    // data, or of a type it does not know.
    std::unique_ptr<aiMaterialProperty> property()
    {
        auto property = record<aiMaterialProperty>();
        if (!property || !text(property->mKey)) {
            return nullptr;
        }
        property->mSemantic = in.get<std::uint32_t>();
        property->mIndex = in.get<std::uint32_t>();
        const auto type = in.get<std::uint32_t>();
        const std::uint32_t length = in.getCount(1);
        property->mData = array<char>(length);
        property->mDataLength = property->mData != nullptr ? length : 0;
        property->mType = static_cast<aiPropertyTypeInfo>(type);
        const bool knownType = type >= aiPTI_Float && type <= aiPTI_Buffer;
        if (property->mKey.length == 0 || property->mDataLength == 0 || !knownType ||
            (type == aiPTI_String && !isWholeString(*property))) {
            in.fail();
        }
        return property;
    }

    // The material's own list, not AddProperty's, which searches all the
    // properties before it for every one it adds.
    std::unique_ptr<aiMaterial> material()
    {
        auto material = record<aiMaterial>();
        if (!material) {
            return nullptr;
        }
        delete[] material->mProperties;
        material->mProperties = nullptr;
        material->mNumAllocated = 0;
        readList(material->mProperties, material->mNumProperties, &SceneReader::property);
        material->mNumAllocated = material->mNumProperties;
        return material;
    }

    // One node without its children, their slots made and empty.
    std::unique_ptr<aiNode> nodeHeader()
    {
        auto node = record<aiNode>();
        if (!node || !text(node->mName)) {
            return nullptr;
        }
        in.getInto(&node->mTransformation, 1);
        const std::uint32_t meshCount = in.getCount(sizeof(unsigned int));
        node->mMeshes = array<unsigned int>(meshCount);
        node->mNumMeshes = node->mMeshes != nullptr ? meshCount : 0;
        const std::uint32_t childCount = in.getCount(1);
        if (childCount > 0 && charge(std::uint64_t{sizeof(aiNode*)} * childCount)) {
            node->mChildren = new aiNode*[childCount]();
            node->mNumChildren = childCount;
        }
        return in.ok() ? std::move(node) : nullptr;
    }

    // Depth first with a stack of its own, no deeper than the cap.
    std::unique_ptr<aiNode> nodeTree()
    {
        std::unique_ptr<aiNode> root = nodeHeader();
        if (!root) {
            return nullptr;
        }
        std::vector<std::pair<aiNode*, unsigned int>> path{{root.get(), 0}};
        while (!path.empty() && in.ok()) {
            aiNode& node = *path.back().first;
            const unsigned int next = path.back().second++;
            if (next == node.mNumChildren) {
                path.pop_back();
                continue;
            }
            if (path.size() == SceneMessage::maxNodeDepth) {
                in.fail();
                break;
            }
            std::unique_ptr<aiNode> child = nodeHeader();
            if (!child) {
                break;
            }
            child->mParent = &node;
            node.mChildren[next] = child.release();
            path.emplace_back(node.mChildren[next], 0);
        }
        return in.ok() ? std::move(root) : nullptr;
    }

    template <typename Key>
    void keys(Key*& keys, unsigned int& count)
    {
        const std::uint32_t keyCount = in.getCount(sizeof(Key::mTime) + sizeof(Key::mValue));
        if (keyCount == 0 || !charge(std::uint64_t{sizeof(Key)} * keyCount)) {
            return;
        }
        keys = new Key[keyCount];
        count = keyCount;
        for (std::uint32_t k = 0; k < keyCount; ++k) {
            keys[k].mTime = in.get<double>();
            in.getInto(&keys[k].mValue, 1);
        }
    }

    std::unique_ptr<aiNodeAnim> channel()
    {
        auto channel = record<aiNodeAnim>();
        if (!channel || !text(channel->mNodeName)) {
            return nullptr;
        }
        keys(channel->mPositionKeys, channel->mNumPositionKeys);
        keys(channel->mRotationKeys, channel->mNumRotationKeys);
        keys(channel->mScalingKeys, channel->mNumScalingKeys);
        return channel;
    }

    std::unique_ptr<aiAnimation> animation()
    {
        auto animation = record<aiAnimation>();
        if (!animation || !text(animation->mName)) {
            return nullptr;
        }
        animation->mDuration = in.get<double>();
        animation->mTicksPerSecond = in.get<double>();
        readList(animation->mChannels, animation->mNumChannels, &SceneReader::channel);
        return animation;
    }

    // A camera or a light: only its name is used.
    template <typename T>
    std::unique_ptr<T> named()
    {
        auto item = record<T>();
        if (item) {
            text(item->mName);
        }
        return item;
    }

    MessageReader& in;
    std::uint64_t cost = 0;
};

} // namespace

std::size_t SceneMessage::nodeDepth(const aiNode& root)
{
    std::size_t deepest = 0;
    walkNodes(root, [&deepest](const aiNode&, std::size_t depth) { deepest = std::max(deepest, depth); });
    return deepest;
}

void SceneMessage::write(const aiScene& scene, MessageWriter& message)
{
    putList(message, scene.mMeshes, scene.mNumMeshes, putMesh);
    putList(message, scene.mMaterials, scene.mNumMaterials, putMaterial);
    message.put<std::uint8_t>(scene.mRootNode != nullptr ? 1 : 0);
    if (scene.mRootNode != nullptr) {
        walkNodes(*scene.mRootNode, [&message](const aiNode& node, std::size_t) { putNodeHeader(message, node); });
    }
    putList(message, scene.mAnimations, scene.mNumAnimations, putAnimation);
    putList(message, scene.mCameras, scene.mNumCameras,
            [](MessageWriter& out, const aiCamera& camera) { out.putString(textOf(camera.mName)); });
    putList(message, scene.mLights, scene.mNumLights,
            [](MessageWriter& out, const aiLight& light) { out.putString(textOf(light.mName)); });
}

std::unique_ptr<aiScene> SceneMessage::read(MessageReader& message)
{
    return SceneReader(message).scene();
}
