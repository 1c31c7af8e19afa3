#include "scene/Rounding.h"

#include <cmath>

int32_t RoundHalfEven(double value)
{
    const double floorValue = std::floor(value);
    const double fraction = value - floorValue;
    double result = floorValue;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floorValue, 2.0) != 0.0))
        result = floorValue + 1.0;
    return static_cast<int32_t>(result);
}
