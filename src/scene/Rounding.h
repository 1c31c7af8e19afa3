#pragma once
#include <cstdint>

// Rounds to the nearest integer, halves to even, whatever the floating-point
// environment's rounding mode is.
int32_t RoundHalfEven(double value);
