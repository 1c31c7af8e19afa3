#pragma once
#include <gtest/gtest.h>

#include <string>

#include "render/backends/cpu/CpuSpan.h"

// The kernel levels a kernel test runs on, each under its own name. The
// names are spelled out rather than taken from SpanKernelName, which names
// the level a processor can run: on one without AVX2 two instances would
// share a name.
inline auto EveryKernelLevel() {
  return ::testing::Values(TSpanKernel::Scalar, TSpanKernel::Sse2,
                           TSpanKernel::Avx2);
}

inline std::string
KernelLevelName(const ::testing::TestParamInfo<TSpanKernel> &info) {
  switch (info.param) {
  case TSpanKernel::Scalar:
    return "Scalar";
  case TSpanKernel::Sse2:
    return "Sse2";
  default:
    return "Avx2";
  }
}
