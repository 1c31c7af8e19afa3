#include <gtest/gtest.h>

#include <memory>

#include "FakeRenderBackend.h"
#include "render/RenderErrors.h"
#include "render/TDIB.h"
#include "render/TDXDraw.h"
#include "render/TDirect3DDevice7.h"
#include "render/TDirect3DTexture2.h"

namespace {

class TextureTest : public ::testing::Test {
 protected:
  TextureTest() {
    auto owned = std::make_unique<FakeRenderBackend>();
    backend = owned.get();
    backend->Formats = {Format565(), FormatX888(), Format8888()};
    device = std::make_unique<TDXDraw>(std::move(owned));
    device->SetOptions(SceneDeviceOptions);
    device->SetControl(&control);
    dib.SetSize(256, 256, 32);
    dib.Fill(0x80FF0000);
  }

  static FakeRenderBackend::Texture* Backing(TDirect3DTexture2& texture) {
    return static_cast<FakeRenderBackend::Texture*>(texture.Surface());
  }

  FakeControl control;
  FakeRenderBackend* backend = nullptr;
  std::unique_ptr<TDXDraw> device;
  TDIB dib;
};

TEST_F(TextureTest, MadeBeforeTheDeviceItGetsPixelsAtFirstInitialisation) {
  TDirect3DTexture2 texture(*device, &dib, false);
  EXPECT_EQ(texture.Surface(), nullptr);
  EXPECT_FALSE(texture.Transparent());

  device->InitializeDevice();
  auto* backing = Backing(texture);
  ASSERT_NE(backing, nullptr);
  EXPECT_EQ(backing->Uploads, 1);
  EXPECT_FALSE(texture.NeedsLoad());
  EXPECT_EQ(backing->Width, 256);
  EXPECT_EQ(backing->Format.BackendFormat, 8888u);
  EXPECT_EQ(backing->Pixels[3], 0x80);
  EXPECT_FALSE(texture.Transparent());
}

TEST_F(TextureTest, MadeOnAReadyDeviceItUploadsAtOnce) {
  device->InitializeDevice();
  TDirect3DTexture2 texture(*device, &dib, false);
  EXPECT_EQ(Backing(texture)->Uploads, 1);
}

TEST_F(TextureTest, LossAndReinitialisationUploadEveryTextureAgain) {
  TDIB opaque;
  opaque.SetSize(256, 256, 24);
  TDirect3DTexture2 first(*device, &dib, false);
  TDirect3DTexture2 second(*device, &opaque, false);
  device->InitializeDevice();
  EXPECT_EQ(Backing(second)->Format.BackendFormat, 888u);

  // The bitmap is read again on restore, so changes show.
  dib.Fill(0x00000000);
  backend->Lost = true;
  ASSERT_TRUE(device->DeviceReady());
  EXPECT_EQ(Backing(first)->Uploads, 2);
  EXPECT_EQ(Backing(second)->Uploads, 2);
  EXPECT_EQ(Backing(first)->Pixels[3], 0);

  // A finalise and initialise cycle makes new surfaces.
  device->FinalizeDevice();
  EXPECT_EQ(first.Surface(), nullptr);
  EXPECT_EQ(backend->LiveTextures, 0);
  device->InitializeDevice();
  EXPECT_EQ(Backing(first)->Uploads, 1);
  EXPECT_EQ(backend->LiveTextures, 2);
}

TEST_F(TextureTest, FailuresCarryTheirTexts) {
  EXPECT_THROW(
      {
        try {
          TDirect3DTexture2 texture(*device, nullptr, false);
        } catch (const Exception& error) {
          EXPECT_STREQ(error.what(), "Can not load graphic");
          throw;
        }
      },
      Exception);

  // No acceptable format fails the device's initialisation with the texture's text.
  backend->Formats = {FormatPalette(8, 8)};
  TDirect3DTexture2 texture(*device, &dib, false);
  try {
    device->InitializeDevice();
    ADD_FAILURE() << "initialised without a texture format";
  } catch (const EDirect3DTextureError& error) {
    EXPECT_STREQ(error.what(), "Texture cannot be initialized");
  }
  EXPECT_FALSE(device->Initialized());
  EXPECT_EQ(backend->LiveTextures, 0);
}

TEST_F(TextureTest, FreedTexturesLeaveTheDeviceAndTheDeviceLeavesTextures) {
  device->InitializeDevice();
  auto texture = std::make_unique<TDirect3DTexture2>(*device, &dib, false);
  TDirect3DDevice7* d3d = device->D3DDevice7();
  ASSERT_TRUE(d3d->SetTexture(0, texture.get()));
  texture.reset();
  EXPECT_EQ(backend->LiveTextures, 0);
  // Drawing after the bound texture was freed draws untextured, not from freed memory.
  TD3DTLVertex v[4];
  backend->Calls.clear();
  EXPECT_TRUE(d3d->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, v, 4, D3DDP_WAIT));
  EXPECT_FALSE(d3d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0x102, v, 4, D3DDP_WAIT));
  EXPECT_FALSE(d3d->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, v, 2, D3DDP_WAIT));

  // An owned bitmap goes with its texture; a texture outliving its device is inert.
  auto owned = std::make_unique<TDirect3DTexture2>(*device, new TDIB(dib), true);
  device.reset();
  EXPECT_EQ(owned->Surface(), nullptr);
  owned.reset();
}

TEST_F(TextureTest, RenderStatesAreKeptAndFilteringFollowsTheMagFilter) {
  device->InitializeDevice();
  TDirect3DDevice7* d3d = device->D3DDevice7();
  EXPECT_FALSE(d3d->States().LinearFiltering());
  EXPECT_TRUE(d3d->SetRenderState(D3DRENDERSTATE_TEXTUREMAG, D3DFILTER_MIPLINEAR));
  EXPECT_TRUE(d3d->SetRenderState(D3DRENDERSTATE_TEXTUREMIN, D3DFILTER_MIPLINEAR));
  EXPECT_TRUE(d3d->States().LinearFiltering());
  EXPECT_TRUE(d3d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA));
  EXPECT_EQ(d3d->RenderState(D3DRENDERSTATE_SRCBLEND), uint32_t{D3DBLEND_SRCALPHA});
  EXPECT_FALSE(d3d->SetRenderState(static_cast<TD3DRenderStateType>(7), 1));
  EXPECT_FALSE(d3d->SetTexture(1, nullptr));
}

}  // namespace
