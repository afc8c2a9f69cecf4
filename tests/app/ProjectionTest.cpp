#include "app/Application.h"

#include "TempDirectory.h"

#include <glm/gtc/type_ptr.hpp>
#include <gtest/gtest.h>

namespace {

glm::mat4 projectionFor(const std::string& settingsText)
{
    TempDirectory directory;
    directory.write("settings.txt", settingsText);
    Settings settings;
    settings.load();
    return Application::cameraProjection(settings);
}

void expectOnlyPerspectiveElements(const glm::mat4& projection)
{
    const float* element = glm::value_ptr(projection);
    for (int index : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13, 15}) {
        EXPECT_EQ(element[index], 0.0f) << "element " << index;
    }
    EXPECT_EQ(element[5], 1.7320509f);
    EXPECT_EQ(element[10], -1.002002f);
    EXPECT_EQ(element[11], -1.0f);
    EXPECT_EQ(element[14], -0.2002002f);
}

} // namespace

TEST(CameraProjection, UsesTheFloatAspectOfTheSettings)
{
    const glm::mat4 projection = projectionFor("WIDTH 1280 HEIGHT 720");
    EXPECT_FLOAT_EQ(glm::value_ptr(projection)[0], 0.9742786f);
    expectOnlyPerspectiveElements(projection);
}

TEST(CameraProjection, FollowsOtherAspects)
{
    const glm::mat4 square = projectionFor("WIDTH 600 HEIGHT 600");
    EXPECT_FLOAT_EQ(glm::value_ptr(square)[0], 1.7320509f);
    expectOnlyPerspectiveElements(square);

    const glm::mat4 portrait = projectionFor("WIDTH 720 HEIGHT 1280");
    EXPECT_FLOAT_EQ(glm::value_ptr(portrait)[0], 3.0792014f);
    expectOnlyPerspectiveElements(portrait);
}
