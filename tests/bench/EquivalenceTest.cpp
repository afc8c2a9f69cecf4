#include "BenchResults.h"
#include "Equivalence.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// The window's clear grey, 0.1 of full scale.
const float clearGrey[3] = {25.5f, 25.5f, 25.5f};

} // namespace

TEST(Equivalence, ImagesCountEveryDifferingChannelAndWhatShowsTheScene)
{
    // Two pixels: one left at the clear colour (stored rounded either way),
    // one showing the scene.
    const std::vector<std::uint8_t> first = {26, 25, 26, 200, 10, 40};
    const Difference same = Equivalence::compareImages(first, first, clearGrey);
    EXPECT_EQ(same.largest, 0.0);
    EXPECT_EQ(same.differingValues, 0u);
    EXPECT_EQ(same.totalValues, 6u);
    EXPECT_DOUBLE_EQ(same.coveredShare, 0.5);

    std::vector<std::uint8_t> second = first;
    second[3] = 193;
    second[5] = 41;
    const Difference apart = Equivalence::compareImages(first, second, clearGrey);
    EXPECT_EQ(apart.largest, 7.0);
    EXPECT_EQ(apart.differingValues, 2u);
    EXPECT_EQ(apart.pixelsOff, 1u) << "one pixel has a channel 7 off";

    // Gaps of a slight two steps, one in each pixel, leave both looking the
    // same; a third step in another channel of the first pixel does not.
    std::vector<std::uint8_t> slight = first;
    slight[0] += 2;
    slight[4] -= 2;
    EXPECT_EQ(Equivalence::compareImages(first, slight, clearGrey).pixelsOff, 0u);
    slight[2] += 3;
    EXPECT_EQ(Equivalence::compareImages(first, slight, clearGrey).pixelsOff, 1u);

    const Difference shorter = Equivalence::compareImages(first, {26, 25, 26}, clearGrey);
    EXPECT_EQ(shorter.largest, 255.0);
}

TEST(Equivalence, DepthsDifferInStepsOfTheDepthBufferAndTheFarPlaneIsEmpty)
{
    const std::uint32_t far = 0xFFFFFFFFu;
    const std::vector<std::uint32_t> first = {far, 0x80000000u, 0x40000000u, far};
    std::vector<std::uint32_t> second = first;
    second[1] += 512;
    second[2] -= 256;

    const Difference apart = Equivalence::compareDepths(first, second);
    EXPECT_EQ(apart.largest, 2.0);
    EXPECT_EQ(apart.differingValues, 2u);
    EXPECT_DOUBLE_EQ(apart.coveredShare, 0.5);
    EXPECT_EQ(Equivalence::compareDepths(first, first).largest, 0.0);
}

TEST(Equivalence, CheckPassesOnlyWithinToleranceOnACoveredRendering)
{
    CheckResult check{"check", Difference{1.0, 3, 100, 0.6}, 1.0, 0.25};
    EXPECT_TRUE(check.passed());

    check.difference.largest = 1.5;
    EXPECT_FALSE(check.passed()) << "beyond the tolerance";

    check.difference.largest = 0.0;
    check.difference.coveredShare = 0.1;
    EXPECT_FALSE(check.passed()) << "two near-empty renderings prove nothing";

    check.difference.coveredShare = 0.6;
    check.difference.pixelsOff = 11;
    EXPECT_TRUE(check.passed()) << "pixels off count only where they are limited";
    check.mostPixelsOff = 10;
    EXPECT_FALSE(check.passed()) << "more pixels off than allowed";
    check.difference.pixelsOff = 10;
    EXPECT_TRUE(check.passed());

    check.difference = Difference{};
    check.leastCoveredShare = 0.0;
    EXPECT_FALSE(check.passed()) << "nothing was compared";
}
