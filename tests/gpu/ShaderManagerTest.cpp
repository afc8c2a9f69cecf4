#include "gpu/GeometryPixelShader.h"
#include "gpu/ShaderManager.h"

#include "GlTest.h"
#include "LogCapture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <vector>

namespace {

const char* const plainVertex =
    "#version 430 core\nlayout(location = 0) in vec3 position;\n"
    "void main() { gl_Position = vec4(position, 1.0); }\n";
const char* const plainFragment = "#version 430 core\nout vec4 color;\nvoid main() { color = vec4(1.0); }\n";

void writeSources(const TempDirectory& workspace)
{
    workspace.write("shader/plain.vert", plainVertex);
    workspace.write("shader/plain.frag", plainFragment);
    workspace.write("shader/layered.geom",
                    "#version 430 core\nlayout(triangles) in;\nlayout(triangle_strip, max_vertices = 18) out;\n"
                    "void main() { for (int face = 0; face < 6; ++face) { gl_Layer = face;\n"
                    "  for (int i = 0; i < 3; ++i) { gl_Position = gl_in[i].gl_Position; EmitVertex(); }\n"
                    "  EndPrimitive(); } }\n");
    workspace.write("shader/broken.vert", "#version 430 core\nvoid main() { no semicolon }\n");
    workspace.write("shader/broken.geom", "#version 430 core\nlayout(triangles) in;\nvoid main() { EmitVertex() }\n");
    // Mesa's shader cache skips compiling and linking sources it has seen
    // before, and their warnings with them: a comment naming this fresh
    // workspace keeps the warning sources new.
    const std::string unseen = "// " + workspace.path().string() + "\n";
    workspace.write("shader/warns.vert",
                    "#version 430 core\n#extension GL_EXT_made_up : warn\nvoid main() { gl_Position = vec4(0.0); }\n" +
                        unseen);
    workspace.write("shader/skipsNormal.vert", "#version 430 core\nout vec3 normal;\nvoid main() { }\n" + unseen);
    workspace.write("shader/normalVec4.frag",
                    "#version 430 core\nin vec4 normal;\nout vec4 color;\nvoid main() { color = normal; }\n");
    workspace.write("shader/normalVec3.frag",
                    "#version 430 core\nin vec3 normal;\nout vec4 color;\nvoid main() { color = vec4(normal, 1); }\n");
    // Both samplers rest on unit 0, which no draw could satisfy.
    workspace.write("shader/twoSamplers.frag",
                    "#version 430 core\nuniform sampler2D flat2d;\nuniform samplerCube cube;\nout vec4 color;\n"
                    "void main() { color = texture(flat2d, vec2(0.5)) + texture(cube, vec3(1.0)); }\n");
}

GLint shaderType(GLuint shader)
{
    GLint type = 0;
    glGetShaderiv(shader, GL_SHADER_TYPE, &type);
    return type;
}

GLint attachedShaders(GLuint program)
{
    GLint count = 0;
    glGetProgramiv(program, GL_ATTACHED_SHADERS, &count);
    return count;
}

// The manager only keeps the light pointer, never calls it: distinct
// addresses are enough to tell which light a program holds.
alignas(8) unsigned char lightStorage[2];
BaseLight* const firstLight = reinterpret_cast<BaseLight*>(&lightStorage[0]);
BaseLight* const secondLight = reinterpret_cast<BaseLight*>(&lightStorage[1]);

class ShaderManagerTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        writeSources(workspace);
    }
    void TearDown() override { manager.cleanUp(); }

    PixelShader* build(const std::string& name, const std::vector<std::string>& files, BaseLight* light = nullptr)
    {
        return files.size() == 2 ? manager.addShader(name, files[0], files[1], light)
                                 : manager.addShader(name, files[0], files[1], files[2], light);
    }

    ShaderManager manager{"shader/", [](const std::string&) { return nullptr; }};
};

struct ExpectedLog {
    std::vector<std::string> files;
    std::string pattern;
};

} // namespace

TEST_F(ShaderManagerTest, SuccessfulBuildsPrintTheDriversWarningsOnly)
{
    const std::string success = "INFO ShaderManager: Shader 'program' compiled/linked successfully\n";
    const ExpectedLog builds[] = {
        {{"plain.vert", "plain.frag"}, success},
        {{"warns.vert", "plain.frag"}, "INFO ShaderManager: Shader info for 'warns\\.vert': 0:.*GL_EXT_made_up.*\n" + success},
        {{"skipsNormal.vert", "normalVec3.frag"}, "INFO ShaderManager: Shader program info:warning[^\n][\\s\\S]*\n" + success},
    };
    for (const ExpectedLog& expected : builds) {
        LogCapture log;
        PixelShader* shader = build("program", expected.files);
        ASSERT_NE(shader, nullptr) << log.text();
        EXPECT_TRUE(std::regex_match(log.text(), std::regex(expected.pattern))) << log.text();
        EXPECT_EQ(log.text().find("\n\n"), std::string::npos) << "a driver's line end was kept";
        manager.cleanUp();
    }
}

TEST_F(ShaderManagerTest, FailedBuildsRegisterNothingAndLeaveNoObjectBehind)
{
    const ExpectedLog builds[] = {
        {{"plain.vert", "missing.frag"},
         "ERROR ShaderManager: Could not open 'missing\\.frag'\n"
         "ERROR ShaderManager: Failed to compile shader 'missing\\.frag': 0:.*\n"},
        // The later files are missing: a build that read them would say so.
        {{"broken.vert", "missing.frag"}, "ERROR ShaderManager: Failed to compile shader 'broken\\.vert': 0:.*\n"},
        {{"plain.vert", "broken.geom", "missing.frag"},
         "ERROR ShaderManager: Failed to compile shader 'broken\\.geom': 0:.*\n"},
        {{"skipsNormal.vert", "normalVec4.frag"}, "ERROR ShaderManager: Failed to link shader program:error: .*\n"},
        {{"plain.vert", "twoSamplers.frag"},
         "ERROR ShaderManager: Shader program will not run in this OpenGL environment!\n"},
    };
    for (const ExpectedLog& expected : builds) {
        const std::set<unsigned int> before = liveShadersAndPrograms();
        {
            LogCapture log;
            EXPECT_EQ(build("failing", expected.files), nullptr);
            EXPECT_TRUE(std::regex_match(log.text(), std::regex(expected.pattern))) << log.text();
        }
        EXPECT_EQ(liveShadersAndPrograms(), before) << expected.files.back();
        EXPECT_EQ(manager.getShader("failing"), nullptr);
    }
}

TEST_F(ShaderManagerTest, ATakenNameReadsNothingAndReturnsTheFirstProgram)
{
    PixelShader* first = build("lit", {"plain.vert", "plain.frag"}, firstLight);
    ASSERT_NE(first, nullptr);
    const std::set<unsigned int> before = liveShadersAndPrograms();

    LogCapture log;
    EXPECT_EQ(build("lit", {"missing.vert", "missing.frag"}, secondLight), first);
    EXPECT_EQ(build("lit", {"missing.vert", "missing.geom", "missing.frag"}, secondLight), first);
    EXPECT_EQ(log.text(), "INFO ShaderManager: Shader 'lit' already exists\n"
                          "INFO ShaderManager: Shader 'lit' already exists\n");
    EXPECT_EQ(first->light, firstLight);
    EXPECT_EQ(liveShadersAndPrograms(), before);
}

TEST_F(ShaderManagerTest, ProgramsHoldTheirStagesUntilCleanUpDeletesThem)
{
    const std::set<unsigned int> before = liveShadersAndPrograms();
    PixelShader* plain = build("plain", {"plain.vert", "plain.frag"}, firstLight);
    const auto* layered =
        dynamic_cast<GeometryPixelShader*>(build("layered", {"plain.vert", "layered.geom", "plain.frag"}));
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(layered, nullptr);
    EXPECT_EQ(manager.getShader("plain"), plain);
    EXPECT_EQ(manager.getShader("layered"), layered);
    EXPECT_EQ(plain->light, firstLight);
    EXPECT_EQ(attachedShaders(plain->program), 2);
    EXPECT_EQ(attachedShaders(layered->program), 3);
    for (const PixelShader* shader : std::initializer_list<const PixelShader*>{plain, layered}) {
        EXPECT_EQ(shaderType(shader->vertexShader), GL_VERTEX_SHADER);
        EXPECT_EQ(shaderType(shader->fragmentShader), GL_FRAGMENT_SHADER);
    }
    EXPECT_EQ(shaderType(layered->geometryShader), GL_GEOMETRY_SHADER);

    manager.cleanUp();
    EXPECT_EQ(liveShadersAndPrograms(), before);
    LogCapture log;
    EXPECT_EQ(manager.getShader("plain"), nullptr);
    manager.cleanUp();
    EXPECT_EQ(log.text(), "ERROR ShaderManager: Shader 'plain' does not exist in map\n");
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(ShaderManagerTest, AShaderTypeTheDriverRefusesIsReportedInDecimal)
{
    unsigned int shader = 99;
    LogCapture log;
    EXPECT_FALSE(manager.compileShaderFile(GL_TEXTURE_2D, "plain.vert", shader));
    EXPECT_EQ(shader, 0u);
    EXPECT_EQ(log.text(), "ERROR ShaderManager: Cannot create shader type 3553 for plain.vert\n");
    EXPECT_EQ(takeGlError(), GL_INVALID_ENUM);
}
