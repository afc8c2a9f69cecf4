#include <GL/glew.h>

#include "ImageTools.h"
#include "ShippedScene.h"
#include "ShippedSceneTest.h"

#include "app/Application.h"
#include "gpu/Texture.h"

#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

using namespace ImageTools;

namespace {

// Centres of two solids of the room, from the scene generator's layout: the
// 1.5 m cube on the floor and the 4 m pillar on the left.
const glm::vec3 floorBlockCentre(2.4f, 0.75f, 0.4f);
const glm::vec3 leftPillarCentre(-4.2f, 2.0f, -1.5f);

struct SceneFrame {
    RgbImage shadowed;
    RgbImage unshadowed;
    glm::vec3 light;
};

// How much of the light still reaches a spot: its brightness with shadows over
// its brightness with none, in the same frame.
double lightLeft(const SceneFrame& frame, glm::vec2 spot)
{
    constexpr int radius = 2;
    return meanLuminance(frame.shadowed, spot, radius) / meanLuminance(frame.unshadowed, spot, radius);
}

bool updatingReferences()
{
    const char* update = std::getenv("GLIMMERHALL_UPDATE_REFERENCES");
    return update != nullptr && std::string(update) == "1";
}

// Compared at half size, where the rasteriser's single-pixel differences
// weigh a quarter as much. The tolerance takes small shading differences
// everywhere (llvmpipe without SIMD is 1.6 levels off on average) or a few
// pixels that differ a lot, but not a shadow left out (5 % of the pixels off)
// or the light a quarter second away on its path (2 %).
void expectMatchesReference(const RgbImage& frame, const std::string& name)
{
    const RgbImage rendered = halved(frame);
    const std::filesystem::path reference = std::filesystem::path(GLIMMERHALL_RENDER_REFERENCES) / (name + ".png");
    if (updatingReferences()) {
        ASSERT_TRUE(writePng(rendered, reference)) << reference;
        return;
    }
    const std::optional<RgbImage> expected = readPng(reference);
    ASSERT_TRUE(expected.has_value()) << reference << " is missing; GLIMMERHALL_UPDATE_REFERENCES=1 renders it";

    const Difference found = difference(rendered, *expected, 24);
    const bool matches = found.meanAbsolute <= 3.0 && found.shareOff <= 0.01;
    if (!matches) {
        const std::filesystem::path output(GLIMMERHALL_RENDER_OUTPUT);
        writePng(rendered, output / (name + "_rendered.png"));
        writePng(*expected, output / (name + "_reference.png"));
    }
    EXPECT_TRUE(matches) << name << ": mean difference " << found.meanAbsolute << ", share of pixels off "
                         << found.shareOff << "; the frame is saved in " << GLIMMERHALL_RENDER_OUTPUT;
}

// Makes a texture hold another one's image on every mipmap level.
void copyTextureImage(const Texture& source, const Texture& target)
{
    const int levels = static_cast<int>(std::floor(std::log2(std::max(source.width, source.height)))) + 1;
    for (int level = 0; level < levels; ++level) {
        glCopyImageSubData(source.id, GL_TEXTURE_2D, level, 0, 0, 0, target.id, GL_TEXTURE_2D, level, 0, 0, 0,
                           std::max(source.width >> level, 1), std::max(source.height >> level, 1), 1);
    }
}

} // namespace

class SceneImageTest : public ShippedSceneTest {
protected:
    SceneFrame renderBothWays()
    {
        SceneFrame frame;
        frame.shadowed = renderFrame();
        frame.unshadowed = renderFrameWithoutShadows();
        frame.light = lightPosition();
        return frame;
    }

    static bool insideFrame(glm::vec2 pixel)
    {
        return pixel.x >= 4.0f && pixel.y >= 4.0f && pixel.x < frameWidth - 4.0f && pixel.y < frameHeight - 4.0f;
    }
};

TEST_F(SceneImageTest, FramesAtFixedTimesMatchTheirReferences)
{
    ASSERT_NO_FATAL_FAILURE(loadScene());
    advance(8.0, 3.0);
    const RgbImage early = renderFrame();
    advance(12.0, 10.0);
    const RgbImage late = renderFrame();

    for (const RgbImage* frame : {&early, &late}) {
        // The open top shows the clear colour; the room fills the rest.
        EXPECT_LT(shareOf(*frame, clearColour, 2), 0.4);
        EXPECT_GT(luminanceSpread(*frame), 10.0);
    }
    expectMatchesReference(early, "scene_camera8_light3");
    expectMatchesReference(late, "scene_camera20_light13");
    EXPECT_EQ(takeGlError(), static_cast<unsigned int>(GL_NO_ERROR));
    if (updatingReferences()) {
        GTEST_SKIP() << "references written to " << GLIMMERHALL_RENDER_REFERENCES;
    }
}

// Seen from the camera's start, the cube's shadow falls towards the viewer
// when the light passes low behind it (7.5 s), the left pillar's across the
// floor when the light comes by on the left (15.6 s).
TEST_F(SceneImageTest, SolidsShadowTheFloorBehindThemAndTheShadowsFollowTheLight)
{
    ASSERT_NO_FATAL_FAILURE(loadScene());
    advance(0.0, 7.5);
    const SceneFrame early = renderBothWays();
    advance(0.0, 15.6 - 7.5);
    const SceneFrame late = renderBothWays();

    const glm::vec2 behindBlock = project(floorPointBehind(floorBlockCentre, early.light));
    const glm::vec2 behindPillar = project(floorPointBehind(leftPillarCentre, late.light));
    ASSERT_TRUE(insideFrame(behindBlock));
    ASSERT_TRUE(insideFrame(behindPillar));

    EXPECT_LT(lightLeft(early, behindBlock), 0.75) << "no shadow behind the cube";
    EXPECT_LT(lightLeft(late, behindPillar), 0.75) << "no shadow behind the pillar";
    EXPECT_GT(lightLeft(late, behindBlock), 0.95) << "the cube's shadow stayed when the light moved";
    EXPECT_GT(lightLeft(early, behindPillar), 0.95) << "the pillar shadowed the floor before the light came by";
}

TEST_F(SceneImageTest, TheMarkerSphereAroundTheLightCastsNoShadow)
{
    ASSERT_NO_FATAL_FAILURE(loadScene());
    advance(0.0, 1.0);
    const RgbImage with = renderFrame();
    ASSERT_NO_FATAL_FAILURE(moveMarkerAway());
    const RgbImage without = renderFrame();

    const glm::vec3 light = lightPosition();
    const glm::vec2 centre = project(light);
    const float radius = projectedLength(light, 0.2f);
    ASSERT_TRUE(insideFrame(centre));
    ASSERT_GT(radius, 3.0f) << "the sphere is too small on the screen to be seen";

    int changedOutside = 0;
    int changedInside = 0;
    int inside = 0;
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < frameWidth; ++x) {
            const float distance = glm::length(glm::vec2(x + 0.5f, y + 0.5f) - centre);
            const bool changed = !with.matches(x, y, without.at(x, y), 2);
            if (distance > radius + 2.0f) {
                changedOutside += changed ? 1 : 0;
            } else if (distance < 0.7f * radius) {
                ++inside;
                changedInside += changed ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(changedOutside, 0) << "the sphere changed the picture away from itself";
    EXPECT_GT(changedInside, inside * 9 / 10) << "the sphere is not in the picture";
}

TEST_F(SceneImageTest, NormalMapsShapeTheWallsShading)
{
    ASSERT_NO_FATAL_FAILURE(loadScene());
    advance(0.0, 15.6);
    const RgbImage mapped = renderFrame();

    const Texture* flat = app.textureManager.getTexture("normal_up");
    ASSERT_NE(flat, nullptr);
    for (const char* name : {"floor_normal", "wall_normal", "steps_normal", "pillar_normal"}) {
        const Texture* normalMap = app.textureManager.getTexture(name);
        ASSERT_NE(normalMap, nullptr) << name;
        copyTextureImage(*flat, *normalMap);
    }
    ASSERT_EQ(takeGlError(), static_cast<unsigned int>(GL_NO_ERROR));
    const RgbImage unmapped = renderFrame();

    // The back wall above the steps, and the left wall, which the light
    // passes close by.
    for (const glm::vec3& wallPoint : {glm::vec3(1.5f, 4.5f, -10.0f), glm::vec3(-10.0f, 3.0f, -4.0f)}) {
        const glm::vec2 spot = project(wallPoint);
        ASSERT_TRUE(insideFrame(spot));
        const Difference change = difference(crop(mapped, spot, 6), crop(unmapped, spot, 6), 0);
        EXPECT_GT(change.meanAbsolute, 1.0) << "the wall at (" << wallPoint.x << ", " << wallPoint.y << ", "
                                            << wallPoint.z << ") looks the same without its normal map";
    }
}
