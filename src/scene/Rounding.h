#pragma once
#include <cstdint>

// Rounds to the nearest integer, halves to even, whatever the floating-point
// environment's rounding mode is. Values beyond the 32-bit range give its
// nearest end and NaN gives 0, so no input leaves the conversion undefined.
int32_t RoundHalfEven(double value);
