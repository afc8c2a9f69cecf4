#include "lighting/LightRegistry.h"

#include "app/Application.h"
#include "lighting/DirectionalLight.h"
#include "lighting/PointLight.h"

#include "LogCapture.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// A light that writes what happens to it into a shared journal.
class JournalLight : public BaseLight {
public:
    JournalLight(std::string name, std::vector<std::string>& journal)
        : BaseLight(glm::vec3(1.0f), glm::vec3(0.0f), 0.0f, 0.0f), name(std::move(name)), journal(journal)
    {
    }
    ~JournalLight() override { journal.push_back("destroyed " + name); }

    void setUniforms() const override {}
    void update(double dt) override { journal.push_back("update " + name + " " + std::to_string(dt)); }

private:
    std::string name;
    std::vector<std::string>& journal;
};

} // namespace

TEST(LightRegistry, KeepsTheFirstLightOfANameAndReleasesTheOffer)
{
    std::vector<std::string> journal;
    LightRegistry registry;
    LogCapture log;
    auto first = std::make_unique<JournalLight>("first", journal);
    BaseLight* registered = first.get();
    EXPECT_EQ(registry.addLight("point", std::move(first)), registered);
    EXPECT_EQ(registry.addLight("point", std::make_unique<JournalLight>("second", journal)), registered);
    EXPECT_EQ(registry.getLight("point"), registered);
    EXPECT_EQ(registry.getLight("Point"), nullptr);

    EXPECT_EQ(log.lines(), (std::vector<std::string>{"INFO Lights: Light 'point' added successfully",
                                                     "INFO Lights: Light 'point' already exists",
                                                     "ERROR Lights: Light 'Point' does not exist in map"}));
    EXPECT_EQ(journal, std::vector<std::string>{"destroyed second"});
}

TEST(LightRegistry, UpdatesAndDestroysInNameOrder)
{
    std::vector<std::string> journal;
    LightRegistry registry;
    registry.updateLights(1.0);
    for (const char* name : {"point", "directional", "Zenith"}) {
        registry.addLight(name, std::make_unique<JournalLight>(name, journal));
    }
    registry.updateLights(0.5);
    registry.cleanUp();
    registry.updateLights(1.0);
    EXPECT_EQ(journal, (std::vector<std::string>{
                           "update Zenith 0.500000", "update directional 0.500000", "update point 0.500000",
                           "destroyed Zenith", "destroyed directional", "destroyed point"}));
}

TEST(LightRegistry, LoadsTheSceneLightsInOrder)
{
    TempDirectory workspace;
    std::filesystem::create_directories(app.assetDirectory);
    std::filesystem::copy_file(std::string(GLIMMERHALL_SOURCE_DIR) + "/tests/lighting/data/point_light.dae",
                               app.assetDirectory + "point_light.dae");
    LightRegistry registry;
    LogCapture log;
    registry.loadLights();
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"INFO Lights: Light 'directional' added successfully",
                                                     "INFO PointLight: Light 'Lamp' imported successfully",
                                                     "INFO Lights: Light 'point' added successfully"}));

    const auto* directional = dynamic_cast<const DirectionalLight*>(registry.getLight("directional"));
    ASSERT_NE(directional, nullptr);
    EXPECT_EQ(directional->lightPosition, glm::vec3(0.0f, 1000.0f, 0.0f));
    EXPECT_EQ(directional->ambientCoeff, 0.15f);
    EXPECT_EQ(directional->diffuseCoeff, 0.2f);

    const auto* point = dynamic_cast<const PointLight*>(registry.getLight("point"));
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point->lightPosition, glm::vec3(2, 3, 4));
    EXPECT_EQ(point->diffuseCoeff, 0.3f);
    EXPECT_EQ(point->attenuationConst, 1.0f);
    EXPECT_EQ(point->attenuationLinear, 0.001f);
    EXPECT_EQ(point->attenuationExp, 0.001f);
}
