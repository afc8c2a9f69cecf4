#include "base/SceneMessage.h"

#include "base/MessageReader.h"
#include "base/MessageWriter.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace {

std::string messageOf(const aiScene& scene)
{
    MessageWriter writer;
    SceneMessage::write(scene, writer);
    return writer.message();
}

std::unique_ptr<aiScene> readBack(const std::string& message)
{
    MessageReader reader(message);
    return SceneMessage::read(reader);
}

// A chain of nodes, the root at depth 1.
std::unique_ptr<aiScene> chainOfDepth(std::size_t depth)
{
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode("root");
    aiNode* last = scene->mRootNode;
    for (std::size_t level = 1; level < depth; ++level) {
        last->mChildren = new aiNode*[1]{new aiNode("below")};
        last->mNumChildren = 1;
        last->mChildren[0]->mParent = last;
        last = last->mChildren[0];
    }
    return scene;
}

// One triangle of three vertices whose last index is given.
std::unique_ptr<aiScene> triangleEndingAt(unsigned int lastIndex)
{
    auto scene = std::make_unique<aiScene>();
    auto* mesh = new aiMesh;
    mesh->mNumVertices = 3;
    mesh->mVertices = new aiVector3D[3];
    mesh->mNumFaces = 1;
    mesh->mFaces = new aiFace[1];
    mesh->mFaces[0].mNumIndices = 3;
    mesh->mFaces[0].mIndices = new unsigned int[3]{0, 1, lastIndex};
    scene->mMeshes = new aiMesh*[1]{mesh};
    scene->mNumMeshes = 1;
    return scene;
}

// A material with its name, whose stored length is given.
std::unique_ptr<aiScene> materialNamedWithLength(std::uint32_t length)
{
    auto scene = std::make_unique<aiScene>();
    auto* material = new aiMaterial;
    const aiString name("brick");
    material->AddProperty(&name, AI_MATKEY_NAME);
    std::memcpy(material->mProperties[0]->mData, &length, sizeof length);
    scene->mMaterials = new aiMaterial*[1]{material};
    scene->mNumMaterials = 1;
    return scene;
}

// Whatever came back of a damaged message is something the program can
// walk: indices name vertices and the tree is no deeper than the cap.
void expectUsable(const aiScene& scene)
{
    for (unsigned int m = 0; m < scene.mNumMeshes; ++m) {
        const aiMesh& mesh = *scene.mMeshes[m];
        for (unsigned int f = 0; f < mesh.mNumFaces; ++f) {
            ASSERT_LE(mesh.mFaces[f].mNumIndices, 3u);
            for (unsigned int i = 0; i < mesh.mFaces[f].mNumIndices; ++i) {
                ASSERT_LT(mesh.mFaces[f].mIndices[i], mesh.mNumVertices);
            }
        }
    }
    if (scene.mRootNode != nullptr) {
        ASSERT_LE(SceneMessage::nodeDepth(*scene.mRootNode), SceneMessage::maxNodeDepth);
    }
}

} // namespace

TEST(SceneMessage, TakesNothingButWholeScenesThatTheProgramCanWalk)
{
    EXPECT_NE(readBack(messageOf(*chainOfDepth(SceneMessage::maxNodeDepth))), nullptr);
    EXPECT_EQ(readBack(messageOf(*chainOfDepth(SceneMessage::maxNodeDepth + 1))), nullptr);
    EXPECT_NE(readBack(messageOf(*triangleEndingAt(2))), nullptr);
    EXPECT_EQ(readBack(messageOf(*triangleEndingAt(3))), nullptr);
    // aiGetMaterialString would copy the stored length's worth into a string
    // of a kilobyte.
    EXPECT_NE(readBack(messageOf(*materialNamedWithLength(5))), nullptr);
    EXPECT_EQ(readBack(messageOf(*materialNamedWithLength(4))), nullptr);
    EXPECT_EQ(readBack(messageOf(*materialNamedWithLength(100000))), nullptr);
    // Counts far beyond what the message holds allocate nothing for it.
    MessageWriter vast;
    vast.put<std::uint32_t>(0xffffffffu);
    EXPECT_EQ(readBack(vast.message()), nullptr);
}

TEST(SceneMessage, AnyCutOrDamageOfARealSceneReadsAsNoSceneOrAUsableOne)
{
    Assimp::Importer importer;
    const std::filesystem::path file = std::filesystem::path(GLIMMERHALL_SOURCE_DIR) / "tests/scene/data/animated.dae";
    const aiScene* scene = importer.ReadFile(file.string(), 0x1049);
    ASSERT_NE(scene, nullptr);
    const std::string whole = messageOf(*scene);
    ASSERT_NE(readBack(whole), nullptr);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        ASSERT_EQ(readBack(whole.substr(0, length)), nullptr) << "cut after " << length << " bytes";
    }
    EXPECT_EQ(readBack(whole + "x"), nullptr);
    std::mt19937 random(18);
    std::uniform_int_distribution<std::size_t> position(0, whole.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int damage = 0; damage < 3000; ++damage) {
        std::string damaged = whole;
        for (int hit = 0; hit < 1 + damage % 3; ++hit) {
            damaged[position(random)] = static_cast<char>(byte(random));
        }
        if (const std::unique_ptr<aiScene> read = readBack(damaged)) {
            expectUsable(*read);
        }
    }
}
