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

namespace {

TEST(ChooseBackend, OnlyADisplayWithoutAWayToGraphicsHardwareSparesTheProbe) {
  TOpenGLSigns xvfb;
  xvfb.DisplayRead = true;
  xvfb.Glx = true;
  EXPECT_FALSE(HardwareOpenGLPossible(xvfb));
  TOpenGLSigns noGlx;
  noGlx.DisplayRead = true;
  EXPECT_FALSE(HardwareOpenGLPossible(noGlx));

  // Any one of these may lead to graphics hardware, and so to the probe.
  EXPECT_TRUE(HardwareOpenGLPossible(TOpenGLSigns{}));
  for (bool TOpenGLSigns::*sign : {&TOpenGLSigns::DirectRendering, &TOpenGLSigns::VendorGlx,
                                   &TOpenGLSigns::DriverNamed, &TOpenGLSigns::WindowsGpu}) {
    TOpenGLSigns signs = xvfb;
    signs.*sign = true;
    EXPECT_TRUE(HardwareOpenGLPossible(signs));
  }
}

}  // namespace
