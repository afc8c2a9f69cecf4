#pragma once

#include <cstddef>
#include <vector>

// One measured quantity over the frames of a run.
class Samples {
public:
    // Reserves room so that adding during the measured frames never
    // allocates.
    explicit Samples(std::size_t capacity = 0);

    void add(double value);
    std::size_t size() const { return values.size(); }
    double median() const;
    // Nearest rank: the smallest value at or above 95 % of the samples.
    double percentile95() const;

private:
    double percentile(double fraction) const;

    std::vector<double> values;
};
