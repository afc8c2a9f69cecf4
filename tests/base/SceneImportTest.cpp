#include "base/SceneImport.h"

#include "ColladaForgery.h"
#include "LogCapture.h"
#include "TempDirectory.h"

#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr unsigned int modelFlags = 0x1049;

// Assimp's own scene of the file, read in this process as the import reads
// it in its child.
const aiScene* importHere(Assimp::Importer& importer, const std::string& path, unsigned int flags)
{
    importer.SetPropertyBool(AI_CONFIG_IMPORT_NO_SKELETON_MESHES, true);
    const aiScene* scene = importer.ReadFile(path, 0);
    return scene != nullptr && flags != 0 ? importer.ApplyPostProcessing(flags) : scene;
}

template <typename T>
bool sameArrays(const T* expected, const T* actual, unsigned int count)
{
    if (expected == nullptr || actual == nullptr || count == 0) {
        return (expected == nullptr) == (actual == nullptr) || count == 0;
    }
    return std::memcmp(expected, actual, sizeof(T) * count) == 0;
}

void expectSameMesh(const aiMesh& expected, const aiMesh& actual)
{
    const unsigned int vertices = expected.mNumVertices;
    ASSERT_EQ(actual.mNumVertices, vertices);
    EXPECT_EQ(actual.mMaterialIndex, expected.mMaterialIndex);
    EXPECT_TRUE(sameArrays(expected.mVertices, actual.mVertices, vertices));
    EXPECT_TRUE(sameArrays(expected.mNormals, actual.mNormals, vertices));
    EXPECT_TRUE(sameArrays(expected.mTangents, actual.mTangents, vertices));
    EXPECT_TRUE(sameArrays(expected.mBitangents, actual.mBitangents, vertices));
    ASSERT_EQ(actual.mTextureCoords[0] != nullptr, expected.mTextureCoords[0] != nullptr && vertices > 0);
    for (unsigned int v = 0; actual.mTextureCoords[0] != nullptr && v < vertices; ++v) {
        EXPECT_EQ(actual.mTextureCoords[0][v].x, expected.mTextureCoords[0][v].x);
        EXPECT_EQ(actual.mTextureCoords[0][v].y, expected.mTextureCoords[0][v].y);
    }
    ASSERT_EQ(actual.mNumFaces, expected.mNumFaces);
    for (unsigned int f = 0; f < expected.mNumFaces; ++f) {
        const unsigned int kept = std::min(expected.mFaces[f].mNumIndices, 3u);
        ASSERT_EQ(actual.mFaces[f].mNumIndices, kept);
        EXPECT_TRUE(sameArrays(expected.mFaces[f].mIndices, actual.mFaces[f].mIndices, kept));
    }
}

void expectSameMaterial(const aiMaterial& expected, const aiMaterial& actual)
{
    ASSERT_EQ(actual.mNumProperties, expected.mNumProperties);
    for (unsigned int p = 0; p < expected.mNumProperties; ++p) {
        const aiMaterialProperty& want = *expected.mProperties[p];
        const aiMaterialProperty& got = *actual.mProperties[p];
        EXPECT_STREQ(got.mKey.C_Str(), want.mKey.C_Str());
        EXPECT_EQ(got.mSemantic, want.mSemantic);
        EXPECT_EQ(got.mIndex, want.mIndex);
        EXPECT_EQ(got.mType, want.mType);
        ASSERT_EQ(got.mDataLength, want.mDataLength);
        EXPECT_TRUE(sameArrays(want.mData, got.mData, want.mDataLength));
    }
}

void expectSameNodes(const aiNode& expected, const aiNode& actual)
{
    EXPECT_STREQ(actual.mName.C_Str(), expected.mName.C_Str());
    EXPECT_TRUE(sameArrays(&expected.mTransformation, &actual.mTransformation, 1));
    ASSERT_EQ(actual.mNumMeshes, expected.mNumMeshes);
    EXPECT_TRUE(sameArrays(expected.mMeshes, actual.mMeshes, expected.mNumMeshes));
    ASSERT_EQ(actual.mNumChildren, expected.mNumChildren);
    for (unsigned int c = 0; c < expected.mNumChildren; ++c) {
        EXPECT_EQ(actual.mChildren[c]->mParent, &actual);
        expectSameNodes(*expected.mChildren[c], *actual.mChildren[c]);
    }
}

template <typename Key>
void expectSameKeys(const Key* expected, unsigned int expectedCount, const Key* actual, unsigned int actualCount)
{
    ASSERT_EQ(actualCount, expected != nullptr ? expectedCount : 0);
    // Bit for bit: some keys are NaN.
    for (unsigned int k = 0; k < actualCount; ++k) {
        EXPECT_TRUE(sameArrays(&expected[k].mTime, &actual[k].mTime, 1));
        EXPECT_TRUE(sameArrays(&expected[k].mValue, &actual[k].mValue, 1));
    }
}

void expectSameAnimation(const aiAnimation& expected, const aiAnimation& actual)
{
    EXPECT_STREQ(actual.mName.C_Str(), expected.mName.C_Str());
    EXPECT_EQ(actual.mDuration, expected.mDuration);
    EXPECT_EQ(actual.mTicksPerSecond, expected.mTicksPerSecond);
    ASSERT_EQ(actual.mNumChannels, expected.mNumChannels);
    for (unsigned int c = 0; c < expected.mNumChannels; ++c) {
        const aiNodeAnim& want = *expected.mChannels[c];
        const aiNodeAnim& got = *actual.mChannels[c];
        EXPECT_STREQ(got.mNodeName.C_Str(), want.mNodeName.C_Str());
        expectSameKeys(want.mPositionKeys, want.mNumPositionKeys, got.mPositionKeys, got.mNumPositionKeys);
        expectSameKeys(want.mRotationKeys, want.mNumRotationKeys, got.mRotationKeys, got.mNumRotationKeys);
        expectSameKeys(want.mScalingKeys, want.mNumScalingKeys, got.mScalingKeys, got.mNumScalingKeys);
    }
}

// Everything the program reads of a scene.
void expectSameScene(const aiScene& expected, const aiScene& actual)
{
    ASSERT_EQ(actual.mNumMeshes, expected.mNumMeshes);
    for (unsigned int m = 0; m < expected.mNumMeshes; ++m) {
        expectSameMesh(*expected.mMeshes[m], *actual.mMeshes[m]);
    }
    ASSERT_EQ(actual.mNumMaterials, expected.mNumMaterials);
    for (unsigned int m = 0; m < expected.mNumMaterials; ++m) {
        expectSameMaterial(*expected.mMaterials[m], *actual.mMaterials[m]);
    }
    ASSERT_EQ(actual.mRootNode != nullptr, expected.mRootNode != nullptr);
    if (expected.mRootNode != nullptr) {
        expectSameNodes(*expected.mRootNode, *actual.mRootNode);
    }
    ASSERT_EQ(actual.mNumAnimations, expected.mNumAnimations);
    for (unsigned int a = 0; a < expected.mNumAnimations; ++a) {
        expectSameAnimation(*expected.mAnimations[a], *actual.mAnimations[a]);
    }
    ASSERT_EQ(actual.mNumCameras, expected.mNumCameras);
    for (unsigned int c = 0; c < expected.mNumCameras; ++c) {
        EXPECT_STREQ(actual.mCameras[c]->mName.C_Str(), expected.mCameras[c]->mName.C_Str());
    }
    ASSERT_EQ(actual.mNumLights, expected.mNumLights);
    for (unsigned int l = 0; l < expected.mNumLights; ++l) {
        EXPECT_STREQ(actual.mLights[l]->mName.C_Str(), expected.mLights[l]->mName.C_Str());
    }
}

} // namespace

TEST(SceneImport, GivesBackWhatAssimpImportsOfEveryModelAndPath)
{
    const std::filesystem::path source(GLIMMERHALL_SOURCE_DIR);
    std::vector<std::filesystem::path> files;
    for (const auto& folder : {source / "tests/scene/data", source / "res/assets"}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            files.push_back(entry.path());
        }
    }
    ASSERT_GT(files.size(), 15u);
    for (const std::filesystem::path& file : files) {
        for (const unsigned int flags : {modelFlags, 0u}) {
            SCOPED_TRACE(file.filename().string() + " with flags " + std::to_string(flags));
            LogCapture log;
            const std::unique_ptr<aiScene> actual = SceneImport::read(file.string(), flags, "Test");
            EXPECT_EQ(log.text(), "");
            // A face without indices stops the import before Assimp's
            // triangulation would stop the process, as it would this one.
            if (file.filename() == "empty_face.dae" && flags != 0) {
                EXPECT_EQ(actual, nullptr);
                continue;
            }
            Assimp::Importer importer;
            const aiScene* expected = importHere(importer, file.string(), flags);
            ASSERT_NE(expected, nullptr);
            ASSERT_NE(actual, nullptr);
            expectSameScene(*expected, *actual);
        }
    }
}

TEST(SceneImport, AssimpCrashingOrRunningOnIsStoppedAndNamed)
{
    TempDirectory workspace;
    workspace.write("skew.dae", ColladaForgery::skewedNode());
    workspace.write("skin.dae", ColladaForgery::skinWithJointPastItsList());
    // Assimp's keys take seconds to build, quadratic in their number.
    workspace.write("keys.dae", ColladaForgery::keyedAnimation(50000));
    BoundedCall::Limits oneSecond = BoundedCall::fileLimits;
    oneSecond.cpu = 1s;
    const std::pair<const char*, const char*> cases[] = {
        {"skew.dae", "crashed with signal 6 (SIGABRT)"},
        {"skin.dae", "crashed with signal 11 (SIGSEGV)"},
        {"keys.dae", "ran out of its 1 CPU seconds"},
    };
    for (const auto& [fileName, ending] : cases) {
        LogCapture log;
        EXPECT_EQ(SceneImport::read((workspace.path() / fileName).string(), modelFlags, "Test", oneSecond), nullptr);
        EXPECT_EQ(log.lines(),
                  std::vector<std::string>{std::string("ERROR Test: Import of '") + fileName + "' " + ending});
    }
}
