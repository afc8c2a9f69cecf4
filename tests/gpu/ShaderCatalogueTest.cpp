#include "app/Application.h"
#include "lighting/DirectionalLight.h"

#include "GlTest.h"
#include "LogCapture.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace {

const std::vector<std::string> programsInOrder = {
    "tex_nolight",   "bptex_dir",       "bptex_point",        "nmbptex_dir", "nmbptex_point",
    "smbptex_point", "smnmbptex_point", "varsmnmbptex_point", "shadowmap",   "varshadowmap"};

class ShaderCatalogueTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        std::filesystem::copy(std::filesystem::path(GLIMMERHALL_SOURCE_DIR) / "shader", workspace.path() / "shader");
    }

    void TearDown() override
    {
        app.shaderManager.cleanUp();
        app.assetManager.cleanUp();
    }

    static void addDirectionalLight()
    {
        app.assetManager.lights.addLight("directional",
                                         std::make_unique<DirectionalLight>(glm::vec3(1.0f), 0.15f, 0.2f,
                                                                            glm::vec3(0.0f, 1000.0f, 0.0f)));
    }

    static std::vector<std::string> registeredPrograms()
    {
        std::vector<std::string> names;
        for (const std::string& name : programsInOrder) {
            LogCapture silence;
            if (app.shaderManager.getShader(name) != nullptr) {
                names.push_back(name);
            }
        }
        return names;
    }

    static std::vector<std::string> without(std::vector<std::string> names, const std::vector<std::string>& lost)
    {
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [&](const std::string& name) {
                                       return std::find(lost.begin(), lost.end(), name) != lost.end();
                                   }),
                    names.end());
        return names;
    }
};

std::string successLine(const std::string& program)
{
    return "INFO ShaderManager: Shader '" + program + "' compiled/linked successfully";
}

} // namespace

TEST_F(ShaderCatalogueTest, BuildsTheTenProgramsInOrderEachTiedToItsLight)
{
    {
        LogCapture silence;
        app.assetManager.lights.loadLights();
    }
    LogCapture log;
    app.shaderManager.loadShaders();

    std::vector<std::string> successes;
    for (const std::string& line : log.lines()) {
        EXPECT_EQ(line.rfind("ERROR", 0), std::string::npos) << line;
        if (line.find("compiled/linked successfully") != std::string::npos) {
            successes.push_back(line);
        }
    }
    std::vector<std::string> expected;
    for (const std::string& program : programsInOrder) {
        expected.push_back(successLine(program));
    }
    EXPECT_EQ(successes, expected);

    BaseLight* directional = app.assetManager.lights.getLight("directional");
    BaseLight* point = app.assetManager.lights.getLight("point");
    EXPECT_EQ(app.shaderManager.getShader("tex_nolight")->light, nullptr);
    for (const char* program : {"bptex_dir", "nmbptex_dir"}) {
        EXPECT_EQ(app.shaderManager.getShader(program)->light, directional) << program;
    }
    for (const char* program : {"bptex_point", "nmbptex_point", "smbptex_point", "smnmbptex_point",
                                "varsmnmbptex_point", "shadowmap", "varshadowmap"}) {
        EXPECT_EQ(app.shaderManager.getShader(program)->light, point) << program;
    }
}

TEST_F(ShaderCatalogueTest, WithoutAPointLightTheProgramsAreBuiltUnlitAfterTheRegistryLine)
{
    addDirectionalLight();
    LogCapture log;
    app.shaderManager.loadShaders();

    // Each program of the point light announces the missing light, then is
    // built anyway.
    const std::vector<std::string> lines = log.lines();
    const std::string missing = "ERROR Lights: Light 'point' does not exist in map";
    std::size_t position = 0;
    for (const std::string& program : programsInOrder) {
        const bool wantsPoint =
            program.find("_point") != std::string::npos || program.find("shadowmap") != std::string::npos;
        if (wantsPoint) {
            ASSERT_LT(position, lines.size());
            EXPECT_EQ(lines[position++], missing) << "before " << program;
        }
        ASSERT_LT(position, lines.size());
        EXPECT_EQ(lines[position++], successLine(program));
        const bool lit = program == "bptex_dir" || program == "nmbptex_dir";
        EXPECT_EQ(app.shaderManager.getShader(program)->light != nullptr, lit) << program;
    }
    EXPECT_EQ(position, lines.size());
}

TEST_F(ShaderCatalogueTest, AFaultySharedStageCostsOnlyTheProgramsThatUseIt)
{
    addDirectionalLight();
    workspace.write("shader/bptex_base.vert", "#version 430 core\nvoid main() { gl_Position = undeclared; }\n");
    workspace.write("shader/shadowmap.geom", "#version 430 core\nlayout(triangles) in;\nvoid main() { broken }\n");
    {
        LogCapture log;
        app.shaderManager.loadShaders();
    }
    EXPECT_EQ(registeredPrograms(),
              without(programsInOrder, {"bptex_dir", "bptex_point", "shadowmap", "varshadowmap"}));
}
