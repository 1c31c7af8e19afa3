#include <gtest/gtest.h>

#include "render/backends/ChooseBackend.h"

namespace {

TEST(ChooseBackend, SoftwareRasterisersAreToldFromHardware) {
  EXPECT_TRUE(IsSoftwareOpenGL("llvmpipe (LLVM 15.0.6, 256 bits)"));
  EXPECT_TRUE(IsSoftwareOpenGL("softpipe"));
  EXPECT_TRUE(IsSoftwareOpenGL("Mesa X11 / Software Rasterizer"));
  EXPECT_TRUE(IsSoftwareOpenGL("Google SwiftShader"));
  EXPECT_FALSE(IsSoftwareOpenGL("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
  EXPECT_FALSE(IsSoftwareOpenGL("NVIDIA GeForce RTX 3060/PCIe/SSE2"));
  EXPECT_FALSE(IsSoftwareOpenGL("AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49)"));
}

}  // namespace
