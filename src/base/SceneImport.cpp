#include "base/SceneImport.h"

#include "base/ColladaPreCheck.h"
#include "base/Log.h"
#include "base/MessageReader.h"
#include "base/MessageWriter.h"
#include "base/SceneMessage.h"

#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/scene.h>

#include <cstdint>
#include <filesystem>

namespace {

// What the child replies, in its first byte.
enum class Reply : std::uint8_t { Refused, NoScene, Scene };

// A reason ends up in the log line "'<file>' <reason>".
constexpr std::size_t maxReasonLength = 4096;

bool hasFaceWithoutIndices(const aiScene& scene)
{
    for (unsigned int k = 0; k < scene.mNumMeshes; ++k) {
        const aiMesh& mesh = *scene.mMeshes[k];
        for (unsigned int f = 0; f < mesh.mNumFaces; ++f) {
            if (mesh.mFaces[f].mNumIndices == 0) {
                return true;
            }
        }
    }
    return false;
}

// Left to itself Assimp stands a made-up skeleton mesh in for a scene
// without meshes, and a model would draw what its file does not hold. The
// scene is read first and post-processed after a look at its faces:
// Assimp's triangulation aborts the whole process on a face without
// indices.
const aiScene* import(Assimp::Importer& importer, const std::string& path, unsigned int postProcessing)
{
    importer.SetPropertyBool(AI_CONFIG_IMPORT_NO_SKELETON_MESHES, true);
    const aiScene* scene = importer.ReadFile(path, 0);
    if (scene == nullptr || postProcessing == 0) {
        return scene;
    }
    return hasFaceWithoutIndices(*scene) ? nullptr : importer.ApplyPostProcessing(postProcessing);
}

void refuse(MessageWriter& reply, const std::string& reason)
{
    reply.put(Reply::Refused);
    reply.putString(reason);
}

// Runs in the child: the request holds the post-processing flags and the
// path.
void importAndReply(const std::string& request, std::string& bytes)
{
    MessageReader fields(request);
    const auto postProcessing = fields.get<unsigned int>();
    const std::string path = fields.getString(request.size());
    MessageWriter reply;
    const ColladaPreCheck::Verdict verdict = ColladaPreCheck::check(path);
    if (!verdict.safe) {
        refuse(reply, verdict.reason);
        bytes = std::move(reply.message());
        return;
    }
    Assimp::Importer importer;
    const aiScene* scene = import(importer, path, postProcessing);
    if (scene == nullptr) {
        reply.put(Reply::NoScene);
    } else if (scene->mRootNode != nullptr && SceneMessage::nodeDepth(*scene->mRootNode) > SceneMessage::maxNodeDepth) {
        refuse(reply, "nests nodes more than " + std::to_string(SceneMessage::maxNodeDepth) + " deep");
    } else {
        reply.put(Reply::Scene);
        SceneMessage::write(*scene, reply);
    }
    bytes = std::move(reply.message());
}

} // namespace

std::unique_ptr<aiScene> SceneImport::read(const std::string& path, unsigned int postProcessing,
                                           std::string_view component, const BoundedCall::Limits& limits)
{
    const std::string fileName = "'" + std::filesystem::path(path).filename().string() + "'";
    MessageWriter request;
    request.put(postProcessing);
    request.putString(path);
    const BoundedCall::Outcome outcome = BoundedCall::run(importAndReply, request.message(), limits);
    if (outcome.ending != BoundedCall::Ending::Replied) {
        Log::error(component, "Import of " + fileName + " " + outcome.describe(limits));
        return nullptr;
    }
    MessageReader reply(outcome.reply);
    const auto kind = reply.get<Reply>();
    if (kind == Reply::Scene) {
        std::unique_ptr<aiScene> scene = SceneMessage::read(reply);
        if (!scene) {
            Log::error(component, "Import of " + fileName + " replied with no whole scene");
        }
        return scene;
    }
    const std::string reason = kind == Reply::Refused ? reply.getString(maxReasonLength) : std::string();
    if (!reply.finished() || kind > Reply::Scene) {
        Log::error(component, "Import of " + fileName + " replied with no whole scene");
    } else if (!reason.empty()) {
        Log::error(component, fileName + " " + reason);
    }
    return nullptr;
}
