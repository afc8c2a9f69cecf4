#include "Samples.h"

#include <algorithm>
#include <cmath>

Samples::Samples(std::size_t capacity)
{
    values.reserve(capacity);
}

void Samples::add(double value)
{
    values.push_back(value);
}

double Samples::median() const
{
    if (values.empty()) {
        return 0.0;
    }
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t middle = sorted.size() / 2;
    return sorted.size() % 2 == 1 ? sorted[middle] : 0.5 * (sorted[middle - 1] + sorted[middle]);
}

double Samples::percentile95() const
{
    return percentile(0.95);
}

double Samples::percentile(double fraction) const
{
    if (values.empty()) {
        return 0.0;
    }
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}
