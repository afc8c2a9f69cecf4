#include "BenchOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool parse(BenchOptions& options, std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "glimmerhall_bench");
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    return options.parse(static_cast<int>(argv.size()), argv.data());
}

} // namespace

TEST(BenchOptions, ReadsEachOptionAndKeepsTheDefaultsOfTheOthers)
{
    BenchOptions options;
    ASSERT_TRUE(parse(options, {"--frames", "200", "--data", "/srv/scene", "--growth-frames", "7", "--moment-frames",
                                "4", "--moment-warm-up", "3"}));
    EXPECT_EQ(options.measuredFrames, 200);
    EXPECT_EQ(options.growthFrames, 7);
    EXPECT_EQ(options.momentFrames, 4);
    EXPECT_EQ(options.momentWarmUpFrames, 3);
    EXPECT_EQ(options.dataDirectory, "/srv/scene");
    EXPECT_EQ(options.warmUpFrames, BenchOptions{}.warmUpFrames);
    EXPECT_EQ(options.outputDirectory, BenchOptions{}.outputDirectory);
}

TEST(BenchOptions, RefusesUnknownOptionsMissingValuesAndCountsBelowOne)
{
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"--fast"}, {"--frames"}, {"--frames", "0"}, {"--warm-up", "-3"}, {"--frames", "12x"},
             {"--moment-frames", "0"}}) {
        BenchOptions options;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(parse(options, arguments)) << arguments.front();
        EXPECT_FALSE(testing::internal::GetCapturedStderr().empty()) << arguments.front();
    }
}
