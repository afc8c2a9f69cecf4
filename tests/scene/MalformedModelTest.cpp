#include <GL/glew.h>

#include "SceneTest.h"

#include "LogCapture.h"
#include "base/Finite.h"
#include "app/Application.h"
#include "base/ColladaPreCheck.h"
#include "gpu/PixelShader.h"
#include "gpu/Texture.h"
#include "scene/Model3D.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

// Counts every vertex drawn, and every one drawn while any of the five
// matrices held an element that is not finite (all exponent bits set: the
// test cannot be folded away as a float comparison could).
const char* const guardVertexShader = R"(#version 430
layout(location = 0) in vec3 position;
uniform mat4 mvpMatrix;
uniform mat4 mvMatrix;
uniform mat4 modelMatrix;
uniform mat4 viewMatrix;
uniform mat3 normalMatrix;
layout(std430, binding = 0) buffer Counts { uint drawn; uint poisoned; };
bool finite(float value)
{
    return (floatBitsToUint(value) & 0x7f800000u) != 0x7f800000u;
}
bool finite(mat4 m)
{
    bool all = true;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            all = all && finite(m[c][r]);
    return all;
}
void main()
{
    atomicAdd(drawn, 1u);
    if (!(finite(mvpMatrix) && finite(mvMatrix) && finite(modelMatrix) && finite(viewMatrix) &&
          finite(mat4(normalMatrix)))) {
        atomicAdd(poisoned, 1u);
    }
    gl_Position = vec4(position, 1.0);
}
)";

const char* const plainFragmentShader = R"(#version 430
out vec4 colour;
void main()
{
    colour = vec4(1.0);
}
)";

struct VertexCounts {
    GLuint drawn = 0;
    GLuint poisoned = 0;
};

bool allFinite(const std::vector<float>& values)
{
    for (const float value : values) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return true;
}

std::string dataFile(const std::string& name)
{
    std::ifstream file(std::filesystem::path(GLIMMERHALL_SOURCE_DIR) / "tests/scene/data" / name,
                       std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

bool contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class MalformedModel : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        writeImage("checkerboard.png", {255, 255, 255, 255});
        writeImage("normal_up.png", {128, 128, 255, 255});
        guard = addProgram("guard", guardVertexShader, plainFragmentShader);
        ASSERT_NE(guard, nullptr);
        glGenBuffers(1, &countBuffer);
        glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 0, countBuffer);
        clearCounts();
        Model3D::clock.reset();
    }

    void TearDown() override { glDeleteBuffers(1, &countBuffer); }

    void clearCounts() const
    {
        const VertexCounts zero;
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, countBuffer);
        glBufferData(GL_SHADER_STORAGE_BUFFER, sizeof zero, &zero, GL_DYNAMIC_READ);
    }

    VertexCounts counts() const
    {
        glMemoryBarrier(GL_BUFFER_UPDATE_BARRIER_BIT);
        VertexCounts values;
        glBindBuffer(GL_SHADER_STORAGE_BUFFER, countBuffer);
        glGetBufferSubData(GL_SHADER_STORAGE_BUFFER, 0, sizeof values, &values);
        return values;
    }

    // Both passes, the lit one and the depth one with the guard bound.
    VertexCounts drawBothPasses(Model3D& model) const
    {
        clearCounts();
        model.draw(guard);
        guard->bind();
        model.drawDepth();
        guard->unbind();
        return counts();
    }

    Model3D* addAsset(const std::string& fileName) const
    {
        return app.assetManager.addAsset(fileName, std::make_unique<Model3D>(guard, 0.2f, 7.0f, glm::vec3(0.0f),
                                                                             glm::vec3(1.0f), 0.0f, glm::vec3(1.0f)));
    }

    // Refused with the import's line, after the reason when one is given.
    void expectImportRefused(const std::string& fileName, const std::string& reason = "") const
    {
        SCOPED_TRACE(fileName);
        const std::string name = fileName.substr(0, fileName.find('.'));
        LogCapture log;
        EXPECT_EQ(addAsset(fileName), nullptr);
        std::vector<std::string> expected;
        if (!reason.empty()) {
            expected.push_back("ERROR AssetManager: '" + fileName + "' " + reason);
        }
        expected.push_back("ERROR AssetManager: Could not import asset '" + name + "'");
        EXPECT_EQ(log.lines(), expected);
    }

    PixelShader* guard = nullptr;
    GLuint countBuffer = 0;
};

} // namespace

TEST_F(MalformedModel, FilesThatHoldNoModelFailWithTheImportLineAndAreNotRegistered)
{
    const std::string whole = dataFile("two_meshes.dae");
    ASSERT_GT(whole.size(), 1000u);
    std::string binary;
    for (int i = 0; i < 600; ++i) {
        binary.push_back(static_cast<char>((i * 37) % 256));
    }
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty.dae", ""},
        {"words.dae", "this is a note about a model, not a model\n"},
        {"noise.dae", binary},
        {"page.dae", "<?xml version=\"1.0\"?>\n<html><body><p>a page</p></body></html>\n"},
        {"other_root.dae", "<?xml version=\"1.0\"?>\n<scene><node name=\"a\"/></scene>\n"},
        {"halved.dae", whole.substr(0, whole.size() / 2)},
        {"cut_in_a_tag.dae", whole.substr(0, whole.find("<library_visual_scenes>") + 10)},
        {"unclosed.dae", whole.substr(0, whole.rfind("</COLLADA>"))},
        // Sound XML, but a polygon without corners, which Assimp's
        // triangulation would abort the process on.
        {"empty_face.dae", dataFile("empty_face.dae")},
    };
    for (const auto& [fileName, content] : files) {
        workspace.write("res/assets/" + fileName, content);
        expectImportRefused(fileName);
    }
    // Assimp would wait for a writer on a named pipe for ever, and read a
    // file past the limit, sparse here, whole (the text before its NUL bytes
    // is the good model).
    ASSERT_EQ(mkfifo((workspace.path() / "res/assets/pipe.dae").c_str(), 0600), 0);
    expectImportRefused("pipe.dae", "is no regular file");
    workspace.write("res/assets/vast.dae", whole);
    std::filesystem::resize_file(workspace.path() / "res/assets/vast.dae", ColladaPreCheck::maxDocumentBytes + 1);
    expectImportRefused("vast.dae", "is larger than 1024 MiB");
    // None of them was registered: the name is free for a good file.
    workspace.write("res/assets/halved.dae", whole);
    EXPECT_NE(addAsset("halved.dae"), nullptr);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(MalformedModel, ScenesThatInstanceThemselvesAreRefusedBeforeTheImport)
{
    // Assimp's import recurses without end into every one of these.
    const std::string whole = dataFile("two_meshes.dae");
    const std::string quadNode = "<node id=\"quad-node\" name=\"quad-node\">";
    ASSERT_NE(whole.find(quadNode), std::string::npos);
    const auto withInQuadNode = [&](const std::string& inserted, const std::string& libraryNodes = "") {
        std::string document = whole;
        document.insert(document.find(quadNode) + quadNode.size(), inserted);
        return document.insert(document.find("<library_visual_scenes>"), libraryNodes);
    };
    const auto repeated = [](const std::string& text, int count) {
        std::string all;
        for (int time = 0; time < count; ++time) {
            all += text;
        }
        return all;
    };
    const std::vector<std::array<std::string, 3>> cyclic = {
        {"itself.dae", withInQuadNode("<instance_node url=\"#quad-node\"/>"), "quad-node"},
        {"nested.dae", withInQuadNode("<node id=\"inner\"><instance_node url=\"#quad-node\"/></node>"), "quad-node"},
        {"by_name.dae", withInQuadNode("<node name=\"named\"><node><instance_node url=\"#named\"/></node></node>"),
         "named"},
        {"scene.dae", withInQuadNode("<instance_node url=\"#scene\"/>"), "scene"},
        {"library.dae",
         withInQuadNode("<instance_node url=\"#a\"/>",
                        "<library_nodes><node id=\"a\"><instance_node url=\"#b\"/></node>"
                        "<node id=\"b\"><node><instance_node url=\"#a\"/></node></node></library_nodes>"),
         "a"},
        // Assimp parses up to the first NUL byte only.
        {"nul.dae", withInQuadNode("<instance_node url=\"#quad-node\"/>") + std::string(1, '\0') + "<<", "quad-node"},
    };
    for (const auto& [fileName, content, node] : cyclic) {
        workspace.write("res/assets/" + fileName, content);
        expectImportRefused(fileName, "instances node '" + node + "' inside itself");
    }
    // Deeper than any stack would take a recursive walk.
    workspace.write("res/assets/deep.dae", withInQuadNode(repeated("<node>", 200000) +
                                                          "<instance_node url=\"#quad-node\"/>" +
                                                          repeated("</node>", 200000)));
    expectImportRefused("deep.dae", "nests elements more than 2000 deep");

    // Instancing a node twice, and a cycle the scene never reaches, are no
    // cycle for the import.
    workspace.write("res/assets/shared.dae",
                    withInQuadNode("<instance_node url=\"#leaf\"/><instance_node url=\"#leaf\"/>",
                                   "<library_nodes><node id=\"leaf\"/>"
                                   "<node id=\"loop\"><instance_node url=\"#loop\"/></node></library_nodes>"));
    LogCapture log;
    EXPECT_NE(addAsset("shared.dae"), nullptr) << log.text();
}

TEST_F(MalformedModel, NodesWithoutAFiniteTransformAreReportedAndNeverReachTheGpu)
{
    // non_finite_nodes.dae: the same triangle under a sound node, a node with
    // a NaN, one with an infinite scale, one flattened to a point and one onto
    // a plane by zero scales (their matrices have no inverse, but are finite)
    // and a sound child of an infinite parent.
    installAsset("non_finite_nodes.dae");
    LogCapture log;
    Model3D* model = addAsset("non_finite_nodes.dae");
    ASSERT_NE(model, nullptr);
    const std::vector<std::string> lines = log.lines();
    for (const char* node : {"nan", "infinite", "parent"}) {
        EXPECT_TRUE(contains(lines, std::string("ERROR AssetManager: Node '") + node +
                                        "' has a transform that is not finite"))
            << node;
    }
    EXPECT_FALSE(contains(lines, "ERROR AssetManager: Node 'finite' has a transform that is not finite"));
    EXPECT_FALSE(contains(lines, "ERROR AssetManager: Node 'flat' has a transform that is not finite"));
    EXPECT_FALSE(contains(lines, "ERROR AssetManager: Node 'decal' has a transform that is not finite"));
    EXPECT_EQ(lines.back(), "INFO AssetManager: Asset 'non_finite_nodes' added successfully");

    const VertexCounts seen = drawBothPasses(*model);
    EXPECT_EQ(seen.poisoned, 0u);
    // The sound and the two flattened nodes' triangles, once per pass;
    // nothing else can be placed.
    EXPECT_EQ(seen.drawn, 2u * 3 * 3);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(MalformedModel, KeysThatAreNotFiniteLeaveTheNodeWhereItLastWas)
{
    // non_finite_keys.dae: the node's path runs from 0 through a NaN and an
    // infinite key to x = 0.5 and then x = 1, one key a tick.
    installAsset("non_finite_keys.dae");
    LogCapture log;
    Model3D* model = addAsset("non_finite_keys.dae");
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->animations.size(), 1u);
    EXPECT_NE(log.text().find("ERROR AssetManager: Channel 'mover' of animation '" + model->animations[0]->name +
                              "' has keys that are not finite"),
              std::string::npos)
        << log.text();

    ModelNode* mover = model->rootNode->find("mover");
    ASSERT_NE(mover, nullptr);
    ASSERT_GE(mover->channelIndex, 0);
    const glm::mat4 start = mover->localTransform;
    ASSERT_TRUE(isFinite(start));
    for (int frame = 1; frame <= 14; ++frame) {
        SCOPED_TRACE("after " + std::to_string(frame * 0.25) + " s");
        Model3D::clock.advance(0.25);
        model->update();
        EXPECT_TRUE(isFinite(mover->localTransform));
        const VertexCounts seen = drawBothPasses(*model);
        EXPECT_EQ(seen.poisoned, 0u);
        EXPECT_EQ(seen.drawn, 2u * 3);
    }
    // Past its bad keys the path moves the node again: half way from 0.5 to 1.
    EXPECT_EQ(mover->localTransform, glm::translate(glm::mat4(1.0f), glm::vec3(0.75f, 0.0f, 0.0f)));
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(MalformedModel, PointsLinesAndMeshlessScenesDrawWithoutReadingPastTheirBuffers)
{
    // points_and_lines.dae: no normals and no texture coordinates; a mesh of
    // two lines, and one of a point, a line and a triangle.
    installAsset("points_and_lines.dae");
    installAsset("no_meshes.dae");
    Model3D* wires = addAsset("points_and_lines.dae");
    ASSERT_NE(wires, nullptr);
    const std::vector<float> positions = readFloats(wires->positionBuffer);
    const std::size_t vertexCount = positions.size() / 3;
    const std::vector<std::uint32_t> indices = readIndices(wires->indexBuffer);
    ASSERT_FALSE(wires->meshes.empty());
    for (const MeshEntry& entry : wires->meshes) {
        SCOPED_TRACE("mesh at base vertex " + std::to_string(entry.baseVertex));
        ASSERT_LE(std::size_t{entry.baseIndex} + entry.indexCount, indices.size());
        for (std::uint32_t i = entry.baseIndex; i < entry.baseIndex + entry.indexCount; ++i) {
            EXPECT_LT(std::size_t{entry.baseVertex} + indices[i], vertexCount) << "index " << i;
        }
    }
    for (const unsigned int buffer : {wires->normalBuffer, wires->tangentBuffer, wires->bitangentBuffer}) {
        const std::vector<float> values = readFloats(buffer);
        EXPECT_EQ(values.size(), positions.size());
        EXPECT_TRUE(allFinite(values));
    }
    EXPECT_EQ(readFloats(wires->textureCoordinateBuffer), std::vector<float>(vertexCount * 2, 0.0f));
    EXPECT_GT(drawBothPasses(*wires).drawn, 0u);

    // Nothing to draw and nothing to colour it with; no stand-in skeleton
    // either.
    LogCapture log;
    Model3D* empty = addAsset("no_meshes.dae");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"ERROR AssetManager: No Materials found",
                                                      "INFO AssetManager: Asset 'no_meshes' added successfully"}));
    EXPECT_TRUE(empty->meshes.empty());
    EXPECT_EQ(drawBothPasses(*empty).drawn, 0u);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(MalformedModel, MaterialIndicesThatNameNoMaterialDrawWithoutOne)
{
    // A triangle bound to a material the file does not define, and one whose
    // symbol is bound to nothing: whatever index the import gives them, the
    // draw must not read past the material list.
    workspace.write("res/assets/ghosts.dae", R"(<?xml version="1.0"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
  <library_geometries><geometry id="g"><mesh>
    <source id="p"><float_array id="pa" count="9">-1 -1 0 3 -1 0 -1 3 0</float_array>
      <technique_common><accessor source="#pa" count="3" stride="3">
        <param name="X" type="float"/><param name="Y" type="float"/><param name="Z" type="float"/>
      </accessor></technique_common></source>
    <vertices id="v"><input semantic="POSITION" source="#p"/></vertices>
    <triangles material="missing" count="1"><input semantic="VERTEX" source="#v" offset="0"/><p>0 1 2</p></triangles>
    <triangles material="unbound" count="1"><input semantic="VERTEX" source="#v" offset="0"/><p>2 1 0</p></triangles>
  </mesh></geometry></library_geometries>
  <library_visual_scenes><visual_scene id="s"><node id="n" name="n"><instance_geometry url="#g">
    <bind_material><technique_common><instance_material symbol="missing" target="#nowhere"/></technique_common></bind_material>
  </instance_geometry></node></visual_scene></library_visual_scenes>
  <scene><instance_visual_scene url="#s"/></scene>
</COLLADA>
)");
    Model3D* model = addAsset("ghosts.dae");
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->meshes.size(), 2u);
    // Point both meshes past the list, as a file with fewer materials than
    // its meshes name would.
    model->meshes[0].materialIndex = static_cast<std::uint32_t>(model->materials.size());
    model->meshes[1].materialIndex = 0xFFFFFFFEu;
    EXPECT_EQ(drawBothPasses(*model).drawn, 2u * 6);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(MalformedModel, TexturePathsAreReducedToFileNamesInTheTextureDirectory)
{
    // texture_paths.dae names its colour images by paths that climb out of
    // the asset directory, carry a drive letter, are percent-encoded or
    // UTF-8, or end without a file name.
    installAsset("texture_paths.dae");
    writeImage("wall.png", {255, 0, 0, 255});
    writeImage("stone.png", {0, 255, 0, 255});
    writeImage("caf\xC3\xA9.png", {0, 0, 255, 255});
    writeImage("\xC3\xBCn\xC3\xAF.png", {255, 255, 0, 255});
    // Where "../../secret/wall.png" would lead from the texture directory.
    std::filesystem::create_directories(workspace.path() / "secret");
    std::filesystem::copy_file(workspace.path() / "res/texture/stone.png", workspace.path() / "secret/wall.png");

    LogCapture log;
    Model3D* model = addAsset("texture_paths.dae");
    ASSERT_NE(model, nullptr);
    const std::string text = log.text();
    for (const char* stem : {"wall", "stone", "caf\xC3\xA9", "\xC3\xBCn\xC3\xAF"}) {
        const Texture* texture = app.textureManager.getTexture(stem);
        ASSERT_NE(texture, nullptr) << stem << "\n" << text;
        EXPECT_EQ(texture->textureUnit, 0) << stem;
        bool used = false;
        for (const Material& material : model->materials) {
            used = used || material.diffuseTexture == texture;
        }
        EXPECT_TRUE(used) << stem;
    }
    // The image read for wall is the red one from the texture directory.
    const Texture* wall = app.textureManager.getTexture("wall");
    ASSERT_NE(wall, nullptr);
    std::array<std::uint8_t, 16> texels{};
    glBindTexture(GL_TEXTURE_2D, wall->id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ((std::array<std::uint8_t, 4>{texels[0], texels[1], texels[2], texels[3]}),
              (std::array<std::uint8_t, 4>{255, 0, 0, 255}));
    // A path that names no file leaves the default colour image in its slot.
    const Texture* checkerboard = app.textureManager.getTexture("checkerboard");
    ASSERT_NE(checkerboard, nullptr);
    std::size_t defaults = 0;
    for (const Material& material : model->materials) {
        defaults += material.diffuseTexture == checkerboard ? 1 : 0;
        EXPECT_NE(material.diffuseTexture, nullptr);
    }
    EXPECT_EQ(defaults, 2u) << text;
    EXPECT_EQ(model->materials.size(), 6u);
    EXPECT_GT(drawBothPasses(*model).drawn, 0u);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}
