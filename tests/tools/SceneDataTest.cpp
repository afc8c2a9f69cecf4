// Reads the committed scene files the way the program does (flags 4169 for
// models, 0 for the camera and light paths) and checks what the program
// relies on in Assimp's view of them.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace {

const std::filesystem::path sourceDirectory = GLIMMERHALL_SOURCE_DIR;
constexpr unsigned int modelFlags = 4169;
constexpr float roomHalfExtent = 10.0f;

const aiScene* import(Assimp::Importer& importer, const std::string& file, unsigned int flags) {
    const std::string path = (sourceDirectory / "res" / "assets" / file).string();
    const aiScene* scene = importer.ReadFile(path, flags);
    EXPECT_NE(scene, nullptr) << file << ": " << importer.GetErrorString();
    return scene;
}

std::string bareFileName(const aiString& path) {
    const std::string text = path.C_Str();
    const std::size_t slash = text.find_last_of("/\\");
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

float distance(const aiVector3D& a, const aiVector3D& b) { return (a - b).Length(); }

bool sameRotation(const aiQuaternion& a, const aiQuaternion& b) {
    const float cosine = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
    return std::fabs(std::fabs(cosine) - 1.0f) < 1e-5f;
}

const aiNodeAnim& onlyChannel(const aiScene* scene) {
    EXPECT_EQ(scene->mNumAnimations, 1u);
    EXPECT_EQ(scene->mAnimations[0]->mNumChannels, 1u);
    return *scene->mAnimations[0]->mChannels[0];
}

// The program wraps time with fmod(ticks, duration): the loop is seamless
// only when the last key repeats the first at exactly the duration.
void expectClosedLoop(const aiAnimation& animation, const aiNodeAnim& channel) {
    const unsigned int last = channel.mNumPositionKeys - 1;
    ASSERT_GT(channel.mNumPositionKeys, 2u);
    EXPECT_EQ(channel.mPositionKeys[0].mTime, 0.0);
    EXPECT_EQ(channel.mPositionKeys[last].mTime, animation.mDuration);
    EXPECT_LT(distance(channel.mPositionKeys[0].mValue, channel.mPositionKeys[last].mValue), 1e-5f);
    EXPECT_TRUE(sameRotation(channel.mRotationKeys[0].mValue,
                             channel.mRotationKeys[channel.mNumRotationKeys - 1].mValue));
}

bool insideRoom(const aiVector3D& p, float margin) {
    return std::fabs(p.x) < roomHalfExtent - margin && std::fabs(p.z) < roomHalfExtent - margin &&
           p.y > margin;
}

}  // namespace

TEST(SceneDataTest, modelMaterialsNameExistingColourAndNormalMapsInTheirSlots) {
    for (const char* file : {"steps.dae", "point_light_sphere.dae"}) {
        SCOPED_TRACE(file);
        Assimp::Importer importer;
        const aiScene* scene = import(importer, file, modelFlags);
        ASSERT_NE(scene, nullptr);
        ASSERT_GT(scene->mNumMaterials, 0u);
        for (unsigned int m = 0; m < scene->mNumMaterials; ++m) {
            for (aiTextureType type : {aiTextureType_DIFFUSE, aiTextureType_LIGHTMAP}) {
                aiString path;
                ASSERT_EQ(aiGetMaterialTexture(scene->mMaterials[m], type, 0, &path), AI_SUCCESS)
                    << "material " << m << " lacks texture type " << type;
                EXPECT_TRUE(std::filesystem::is_regular_file(sourceDirectory / "res" / "texture" /
                                                             bareFileName(path)))
                    << path.C_Str();
            }
        }
        for (unsigned int i = 0; i < scene->mNumMeshes; ++i) {
            const aiMesh* mesh = scene->mMeshes[i];
            EXPECT_TRUE(mesh->HasTextureCoords(0) && mesh->HasNormals() && mesh->HasTangentsAndBitangents())
                << mesh->mName.C_Str();
            EXPECT_EQ(mesh->mPrimitiveTypes, unsigned(aiPrimitiveType_TRIANGLE)) << mesh->mName.C_Str();
        }
    }
}

TEST(SceneDataTest, cameraNodeIsFoundByTheCameraNameAndStartsAtItsClosedLoop) {
    Assimp::Importer importer;
    const aiScene* scene = import(importer, "camera.dae", 0);
    ASSERT_NE(scene, nullptr);
    ASSERT_GT(scene->mNumCameras, 0u);
    const aiNode* node = scene->mRootNode->FindNode(scene->mCameras[0]->mName);
    ASSERT_NE(node, nullptr) << "no node named '" << scene->mCameras[0]->mName.C_Str() << "'";
    const aiNodeAnim& channel = onlyChannel(scene);
    EXPECT_STREQ(channel.mNodeName.C_Str(), node->mName.C_Str());
    expectClosedLoop(*scene->mAnimations[0], channel);

    aiVector3D scaling, position;
    aiQuaternion rotation;
    node->mTransformation.Decompose(scaling, rotation, position);
    EXPECT_LT(distance(position, channel.mPositionKeys[0].mValue), 1e-5f);
    EXPECT_TRUE(sameRotation(rotation, channel.mRotationKeys[0].mValue));
    for (unsigned int k = 0; k < channel.mNumPositionKeys; ++k)
        EXPECT_TRUE(insideRoom(channel.mPositionKeys[k].mValue, 1.0f)) << "key " << k;
}

TEST(SceneDataTest, pointLightAndItsMarkerShareOnePathAndOneClock) {
    Assimp::Importer lightImporter, markerImporter;
    const aiScene* light = import(lightImporter, "point_light.dae", 0);
    const aiScene* marker = import(markerImporter, "point_light_sphere.dae", modelFlags);
    ASSERT_TRUE(light && marker);
    ASSERT_GT(light->mNumLights, 0u);
    const aiNode* lightNode = light->mRootNode->FindNode(light->mLights[0]->mName);
    ASSERT_NE(lightNode, nullptr);
    const aiNodeAnim& lightPath = onlyChannel(light);
    const aiNodeAnim& markerPath = onlyChannel(marker);
    const aiAnimation& lightAnimation = *light->mAnimations[0];
    const aiAnimation& markerAnimation = *marker->mAnimations[0];
    EXPECT_EQ(lightAnimation.mTicksPerSecond, markerAnimation.mTicksPerSecond);
    EXPECT_EQ(lightAnimation.mDuration, markerAnimation.mDuration);
    expectClosedLoop(lightAnimation, lightPath);
    expectClosedLoop(markerAnimation, markerPath);
    EXPECT_NE(marker->mRootNode->FindNode(markerPath.mNodeName), nullptr);

    // The program puts the light at M (1, 1, 1, 1) of the sampled matrix.
    const aiVector3D homogeneousOne(1.0f, 1.0f, 1.0f);
    ASSERT_EQ(lightPath.mNumPositionKeys, markerPath.mNumPositionKeys);
    for (unsigned int k = 0; k < lightPath.mNumPositionKeys; ++k) {
        SCOPED_TRACE("key " + std::to_string(k));
        const aiVector3D lit = lightPath.mPositionKeys[k].mValue + homogeneousOne;
        EXPECT_EQ(lightPath.mPositionKeys[k].mTime, markerPath.mPositionKeys[k].mTime);
        EXPECT_LT(distance(lit, markerPath.mPositionKeys[k].mValue), 1e-5f);
        EXPECT_TRUE(sameRotation(lightPath.mRotationKeys[k].mValue, aiQuaternion()));
        EXPECT_LT(distance(lightPath.mScalingKeys[k].mValue, homogeneousOne), 1e-6f);
        EXPECT_TRUE(insideRoom(lit, 1.0f) && lit.y >= 2.5f && lit.y <= 4.5f);
    }
    const aiVector3D lightStart(lightNode->mTransformation.a4, lightNode->mTransformation.b4,
                                lightNode->mTransformation.c4);
    EXPECT_LT(distance(lightStart, markerPath.mPositionKeys[0].mValue), 1e-5f);
}

// The shadow pass culls back faces, so the marker only stays out of the
// light's shadow map if it is a sphere around the light with every
// triangle facing outward.
TEST(SceneDataTest, markerSphereSurroundsItsNodeOriginFacingOutward) {
    Assimp::Importer importer;
    const aiScene* scene = import(importer, "point_light_sphere.dae", modelFlags);
    ASSERT_NE(scene, nullptr);
    ASSERT_EQ(scene->mNumMeshes, 1u);
    const aiMesh* sphere = scene->mMeshes[0];
    for (unsigned int v = 0; v < sphere->mNumVertices; ++v)
        EXPECT_NEAR(sphere->mVertices[v].Length(), 0.2f, 1e-3f) << "vertex " << v;
    for (unsigned int f = 0; f < sphere->mNumFaces; ++f) {
        const unsigned int* i = sphere->mFaces[f].mIndices;
        const aiVector3D a = sphere->mVertices[i[0]], b = sphere->mVertices[i[1]], c = sphere->mVertices[i[2]];
        EXPECT_GT(((b - a) ^ (c - a)) * (a + b + c), 0.0f) << "face " << f;
    }
}
