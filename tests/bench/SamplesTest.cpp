#include "Samples.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

Samples samplesOf(const std::vector<double>& values)
{
    Samples samples(values.size());
    for (const double value : values) {
        samples.add(value);
    }
    return samples;
}

} // namespace

TEST(Samples, MedianOfUnsortedOddAndEvenCounts)
{
    EXPECT_DOUBLE_EQ(samplesOf({5.0, 1.0, 3.0}).median(), 3.0);
    EXPECT_DOUBLE_EQ(samplesOf({4.0, 1.0, 3.0, 2.0}).median(), 2.5);
    EXPECT_DOUBLE_EQ(samplesOf({7.0}).median(), 7.0);
    EXPECT_DOUBLE_EQ(samplesOf({}).median(), 0.0);
}

TEST(Samples, Percentile95IsTheNearestRank)
{
    // 20 values: rank ceil(0.95 * 20) = 19; 100 values: rank 95; 10 values:
    // rank 10, the largest. Added in reverse so sorting matters.
    std::vector<double> twenty;
    std::vector<double> hundred;
    for (int i = 20; i >= 1; --i) {
        twenty.push_back(i);
    }
    for (int i = 100; i >= 1; --i) {
        hundred.push_back(i);
    }
    EXPECT_DOUBLE_EQ(samplesOf(twenty).percentile95(), 19.0);
    EXPECT_DOUBLE_EQ(samplesOf(hundred).percentile95(), 95.0);
    EXPECT_DOUBLE_EQ(samplesOf({3.0, 9.0, 1.0, 2.0, 8.0, 4.0, 5.0, 7.0, 6.0, 0.5}).percentile95(), 9.0);
    EXPECT_DOUBLE_EQ(samplesOf({}).percentile95(), 0.0);
}
