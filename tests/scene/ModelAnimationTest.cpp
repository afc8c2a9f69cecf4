#include "SceneTest.h"

#include "app/Application.h"
#include "scene/Model3D.h"

namespace {

// animated.dae moves the "joint" nested under "group" along x by 25 units
// per second over two seconds; Assimp reads it as 1000 ticks per second
// over 2000 ticks.
using ModelAnimation = SceneTest;

const ModelNode& nestedJoint(const Model3D& model)
{
    return *model.rootNode->children[0]->children[0];
}

float jointShift(const Model3D& model)
{
    return nestedJoint(model).localTransform[3].x;
}

} // namespace

TEST_F(ModelAnimation, TheMiddlePoseAfterOneSecondAndTheFirstAgainAfterTwo)
{
    const auto model = importModel("animated.dae");
    ASSERT_NE(model, nullptr);
    const glm::mat4 groupTransform = model->rootNode->children[0]->localTransform;
    const glm::mat4 laterJointTransform = model->rootNode->children[1]->localTransform;

    Model3D::clock.advance(1.0);
    model->update();
    EXPECT_FLOAT_EQ(jointShift(*model), 25.0f);
    // The file's own transform of the animated node is not kept.
    EXPECT_FLOAT_EQ(nestedJoint(*model).localTransform[3].y, 0.0f);
    Model3D::clock.advance(1.0);
    model->update();
    EXPECT_FLOAT_EQ(jointShift(*model), 0.0f);

    // Nodes without a channel keep their file pose.
    EXPECT_EQ(model->rootNode->children[0]->localTransform, groupTransform);
    EXPECT_EQ(model->rootNode->children[1]->localTransform, laterJointTransform);
}

TEST_F(ModelAnimation, AnimatedModelsShareOneClockThatAFrameAdvancesOnce)
{
    installAsset("animated.dae", "second.dae");
    installAsset("animated.dae", "first.dae");
    AssetManager assets;
    const auto makeModel = [] {
        return std::make_unique<Model3D>(nullptr, 0.2f, 7.0f, glm::vec3(0.0f), glm::vec3(1.0f), 0.0f,
                                         glm::vec3(1.0f));
    };
    const Model3D* second = assets.addAsset("second.dae", makeModel());
    const Model3D* first = assets.addAsset("first.dae", makeModel());
    ASSERT_NE(second, nullptr);
    ASSERT_NE(first, nullptr);

    // Two frames of 0.25 s: both models play at the clock's own pace and
    // stay in step.
    for (const float shift : {6.25f, 12.5f}) {
        assets.updateAll(0.25);
        EXPECT_FLOAT_EQ(jointShift(*first), shift);
        EXPECT_FLOAT_EQ(jointShift(*second), shift);
    }
    EXPECT_DOUBLE_EQ(Model3D::clock.seconds(), 0.5);
}
