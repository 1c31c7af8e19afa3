#include "scene/Rounding.h"

#include <cmath>
#include <limits>

int32_t RoundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double Lowest = std::numeric_limits<int32_t>::min();
    constexpr double Highest = std::numeric_limits<int32_t>::max();
    if (value <= Lowest)
        return std::numeric_limits<int32_t>::min();
    if (value >= Highest)
        return std::numeric_limits<int32_t>::max();
    const double floorValue = std::floor(value);
    const double fraction = value - floorValue;
    double result = floorValue;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floorValue, 2.0) != 0.0))
        result = floorValue + 1.0;
    return static_cast<int32_t>(result);
}
