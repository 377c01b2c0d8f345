#include "render/gl/gl_device.h"

#include <gtest/gtest.h>
#include <squish.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>

#include "render/d3dx_surface.h"
#include "render/gl/egl_headless.h"
#include "render/view_panel.h"

using namespace dravo;

namespace {

constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
struct ScreenVertex {
  float x, y, z, rhw;
  D3DCOLOR diffuse;
  float u, v;
};

constexpr DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
struct LitVertex {
  float x, y, z;
  float nx, ny, nz;
  D3DCOLOR diffuse;
  float u, v;
};

int Channel(D3DCOLOR c, int shift) {
  return static_cast<int>((c >> shift) & 0xFF);
}

::testing::AssertionResult Near(D3DCOLOR actual, D3DCOLOR expected, int tolerance = 2) {
  for (int shift : {24, 16, 8, 0}) {
    if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "got %08X, want %08X", actual, expected);
      return ::testing::AssertionFailure() << buf;
    }
  }
  return ::testing::AssertionSuccess();
}

class GlDeviceTest : public ::testing::Test {
 public:
  static constexpr UINT kSize = 16;
  std::unique_ptr<GlDirect3D> d3d;
  std::unique_ptr<IDirect3DDevice8> device;
  GlDevice* gl = nullptr;

  void Make(D3DFORMAT backBuffer = D3DFMT_A8R8G8B8, GlDeviceOptions options = {},
            D3DDEVTYPE type = D3DDEVTYPE_HAL, GlHostFactory factory = HeadlessHostFactory()) {
    d3d = std::make_unique<GlDirect3D>(GlAdapterInfo{}, std::move(factory));
    d3d->deviceOptions = options;
    D3DPRESENT_PARAMETERS p;
    p.BackBufferWidth = kSize;
    p.BackBufferHeight = kSize;
    p.BackBufferFormat = backBuffer;
    p.Windowed = true;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.EnableAutoDepthStencil = true;
    p.AutoDepthStencilFormat = D3DFMT_D16;
    p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    const HRESULT hr = d3d->CreateDevice(0, type, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device);
    if (FAILED(hr)) GTEST_SKIP() << "no headless OpenGL device: " << d3d->LastError();
    gl = static_cast<GlDevice*>(device.get());
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
  }
  void SetUp() override { Make(); }

  std::vector<D3DCOLOR> ReadBack() {
    ComPtr<IDirect3DSurface8> back;
    EXPECT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC desc{};
    back->GetDesc(&desc);
    D3DLOCKED_RECT lr{};
    EXPECT_EQ(back->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::vector<D3DCOLOR> pixels(static_cast<size_t>(desc.Width) * desc.Height);
    DecodePixels(static_cast<const BYTE*>(lr.pBits), lr.Pitch, desc.Format, desc.Width, desc.Height, nullptr,
                 pixels.data());
    back->UnlockRect();
    return pixels;
  }
  D3DCOLOR Pixel(UINT x, UINT y) { return ReadBack()[y * kSize + x]; }

  // A screen rectangle with one colour and texture coordinates 0..1.
  HRESULT Quad(float l, float t, float r, float b, D3DCOLOR colour, float z = 0.5f) {
    const ScreenVertex v[4] = {{l, t, z, 1, colour, 0, 0},
                               {r, t, z, 1, colour, 1, 0},
                               {l, b, z, 1, colour, 0, 1},
                               {r, b, z, 1, colour, 1, 1}};
    device->SetVertexShader(kScreenFvf);
    return device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ScreenVertex));
  }
  HRESULT FullQuad(D3DCOLOR colour, float z = 0.5f) { return Quad(0, 0, kSize, kSize, colour, z); }

  ComPtr<IDirect3DTexture8> SolidTexture(D3DCOLOR colour, D3DFORMAT format = D3DFMT_A8R8G8B8, UINT size = 2) {
    ComPtr<IDirect3DTexture8> texture;
    EXPECT_EQ(device->CreateTexture(size, size, 1, 0, format, D3DPOOL_MANAGED, &texture), D3D_OK);
    ComPtr<IDirect3DSurface8> level;
    texture->GetSurfaceLevel(0, &level);
    D3DLOCKED_RECT lr{};
    EXPECT_EQ(level->LockRect(&lr, nullptr, 0), D3D_OK);
    const std::vector<D3DCOLOR> pixels(size * size, colour);
    EncodePixels(pixels.data(), size, size, format, static_cast<BYTE*>(lr.pBits), lr.Pitch);
    level->UnlockRect();
    return texture;
  }

  void Stage(DWORD stage, DWORD colourOp, DWORD colourArg1, DWORD colourArg2, DWORD alphaOp, DWORD alphaArg1,
             DWORD alphaArg2) {
    device->SetTextureStageState(stage, D3DTSS_COLOROP, colourOp);
    device->SetTextureStageState(stage, D3DTSS_COLORARG1, colourArg1);
    device->SetTextureStageState(stage, D3DTSS_COLORARG2, colourArg2);
    device->SetTextureStageState(stage, D3DTSS_ALPHAOP, alphaOp);
    device->SetTextureStageState(stage, D3DTSS_ALPHAARG1, alphaArg1);
    device->SetTextureStageState(stage, D3DTSS_ALPHAARG2, alphaArg2);
  }
};

TEST_F(GlDeviceTest, ClearFillsTheViewportAndReadsBack) {
  EXPECT_TRUE(Near(Pixel(3, 3), 0xFF0000FF, 0));
  const D3DVIEWPORT8 half{0, 0, kSize / 2, kSize, 0, 1};
  ASSERT_EQ(device->SetViewport(&half), D3D_OK);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.0f, 0), D3D_OK);
  EXPECT_TRUE(Near(Pixel(1, 1), 0xFF204060, 0));
  EXPECT_TRUE(Near(Pixel(kSize - 1, 1), 0xFF0000FF, 0));
  // A viewport outside the back buffer is refused.
  const D3DVIEWPORT8 tooWide{0, 0, kSize + 1, kSize, 0, 1};
  EXPECT_EQ(device->SetViewport(&tooWide), D3DERR_INVALIDCALL);
  EXPECT_FALSE(gl->Renderer().empty());
}

TEST_F(GlDeviceTest, EachTextureStageOperationAndTheTextureFactor) {
  const D3DCOLOR diffuse = 0xC04080C0, texel = 0x80FF8040, factor = 0x40C08020, second = 0x20102030;
  auto mul = [](D3DCOLOR a, D3DCOLOR b) {
    D3DCOLOR out = 0;
    for (int s : {24, 16, 8, 0})
      out |= static_cast<D3DCOLOR>(std::lround(Channel(a, s) * Channel(b, s) / 255.0)) << s;
    return out;
  };
  auto blend = [](D3DCOLOR a1, D3DCOLOR a2, int alpha) {
    D3DCOLOR out = 0;
    for (int s : {16, 8, 0})
      out |= static_cast<D3DCOLOR>(
                 std::lround((Channel(a1, s) * alpha + Channel(a2, s) * (255 - alpha)) / 255.0))
             << s;
    return out;
  };
  auto tex0 = SolidTexture(texel);
  auto tex1 = SolidTexture(second);
  struct Case {
    const char* name;
    std::function<void()> arrange;
    D3DCOLOR expected;
  };
  const Case cases[] = {
      {"select texture",
       [&] {
         Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0);
       },
       texel},
      {"select current (diffuse) as argument 2",
       [&] {
         Stage(0, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
               D3DTA_CURRENT);
       },
       diffuse},
      {"modulate texture and diffuse",
       [&] {
         Stage(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE,
               D3DTA_DIFFUSE);
       },
       mul(texel, diffuse)},
      {"texture factor",
       [&] { Stage(0, D3DTOP_SELECTARG1, D3DTA_TFACTOR, 0, D3DTOP_SELECTARG1, D3DTA_TFACTOR, 0); }, factor},
      {"modulate by the texture factor",
       [&] {
         Stage(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTOP_MODULATE, D3DTA_TEXTURE,
               D3DTA_TFACTOR);
       },
       mul(texel, factor)},
      {"disabled stage 0 leaves the diffuse colour",
       [&] {
         Stage(0, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT);
       },
       diffuse},
      {"stage 1 blends current over its texture by the current alpha",
       [&] {
         Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0);
         Stage(1, D3DTOP_BLENDCURRENTALPHA, D3DTA_CURRENT, D3DTA_TEXTURE, D3DTOP_SELECTARG2, D3DTA_CURRENT,
               D3DTA_TEXTURE);
       },
       (second & 0xFF000000) | blend(texel, second, Channel(texel, 24))},
      {"stage 1 blends its texture over current by the texture's alpha",
       [&] {
         Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0);
         Stage(1, D3DTOP_BLENDTEXTUREALPHA, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
               D3DTA_CURRENT);
       },
       (texel & 0xFF000000) | blend(second, texel, Channel(second, 24))},
      {"stage 2 multiplies the two textures' colour by the diffuse colour (a lit two-pass material)",
       [&] {
         Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0);
         Stage(1, D3DTOP_BLENDCURRENTALPHA, D3DTA_CURRENT, D3DTA_TEXTURE, D3DTOP_SELECTARG2, D3DTA_CURRENT,
               D3DTA_TEXTURE);
         Stage(2, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_CURRENT, 0);
       },
       (second & 0xFF000000) | (mul(blend(texel, second, Channel(texel, 24)), diffuse) & 0x00FFFFFF)},
      {"disabled stage 1 ends the cascade",
       [&] {
         Stage(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE,
               D3DTA_DIFFUSE);
         Stage(1, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT);
       },
       mul(texel, diffuse)},
  };
  device->SetRenderState(D3DRS_TEXTUREFACTOR, factor);
  device->SetTexture(0, tex0.Get());
  device->SetTexture(1, tex1.Get());
  for (const Case& c : cases) {
    Stage(1, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT);
    Stage(2, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT);
    c.arrange();
    ASSERT_EQ(FullQuad(diffuse), D3D_OK);
    EXPECT_TRUE(Near(Pixel(5, 5), c.expected)) << c.name;
  }
  // Without a texture, the texture argument reads as white.
  device->SetTexture(0, nullptr);
  Stage(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
  FullQuad(diffuse);
  EXPECT_TRUE(Near(Pixel(5, 5), diffuse));
}

TEST_F(GlDeviceTest, AlphaTestAtReference128WithGreaterEqual) {
  ComPtr<IDirect3DTexture8> texture;
  ASSERT_EQ(device->CreateTexture(2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
  D3DLOCKED_RECT lr{};
  ASSERT_EQ(texture->LockRect(0, &lr, nullptr, 0), D3D_OK);
  const D3DCOLOR texels[2] = {0x7FFF0000, 0x80FF0000};  // alpha 127 left, 128 right
  std::memcpy(lr.pBits, texels, sizeof texels);
  texture->UnlockRect(0);
  device->SetTexture(0, texture.Get());
  Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  device->SetRenderState(D3DRS_ALPHAREF, 128);
  ASSERT_EQ(FullQuad(0xFFFFFFFF), D3D_OK);
  EXPECT_TRUE(Near(Pixel(2, 8), 0xFF0000FF, 0)) << "alpha 127 is discarded";
  EXPECT_TRUE(Near(Pixel(kSize - 3, 8), 0x80FF0000, 0)) << "alpha 128 passes";
}

TEST_F(GlDeviceTest, AlphaBlendingSourceAlphaOverInverse) {
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  Stage(0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0);
  ASSERT_EQ(FullQuad(0x40FF0000), D3D_OK);
  // Red at a quarter over blue; destination alpha follows the same factors.
  EXPECT_TRUE(Near(Pixel(4, 4), 0xD04000BF));
}

TEST_F(GlDeviceTest, DepthTestAndWrite) {
  Stage(0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  FullQuad(0xFF00FF00, 0.3f);
  FullQuad(0xFFFF0000, 0.6f);
  EXPECT_TRUE(Near(Pixel(4, 4), 0xFF00FF00, 0)) << "the farther quad is hidden";
  FullQuad(0xFFFFFF00, 0.3f);
  EXPECT_TRUE(Near(Pixel(4, 4), 0xFFFFFF00, 0)) << "equal depth passes LESSEQUAL";

  device->SetRenderState(D3DRS_ZWRITEENABLE, 0);
  FullQuad(0xFF00FFFF, 0.1f);
  FullQuad(0xFFFF00FF, 0.2f);
  EXPECT_TRUE(Near(Pixel(4, 4), 0xFFFF00FF, 0)) << "the nearer quad wrote no depth";

  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  FullQuad(0xFF808080, 0.9f);
  EXPECT_TRUE(Near(Pixel(4, 4), 0xFF808080, 0)) << "no depth test";
}

TEST_F(GlDeviceTest, WireFrameDrawsEdgesOnly) {
  Stage(0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  ASSERT_EQ(Quad(2, 2, 14, 14, 0xFFFFFFFF), D3D_OK);
  const auto pixels = ReadBack();
  int white = 0;
  for (D3DCOLOR c : pixels)
    white += c == 0xFFFFFFFF;
  EXPECT_TRUE(Near(pixels[8 * kSize + 8], 0xFF0000FF, 0)) << "the inside stays clear";
  EXPECT_GT(white, 30);
  EXPECT_LT(white, 100);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  Quad(2, 2, 14, 14, 0xFFFFFFFF);
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFFFFFFFF, 0));
}

TEST_F(GlDeviceTest, CullModeFollowsTheScreenWinding) {
  Stage(0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0);
  // Clockwise on the screen (y down): top-left, top-right, bottom-left.
  const ScreenVertex clockwise[3] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                     {kSize, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                     {0, kSize, 0.5f, 1, 0xFFFFFFFF, 0, 0}};
  device->SetVertexShader(kScreenFvf);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, clockwise, sizeof(ScreenVertex));
  EXPECT_TRUE(Near(Pixel(2, 2), 0xFFFFFFFF, 0)) << "counter-clockwise culling keeps clockwise faces";
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, clockwise, sizeof(ScreenVertex));
  EXPECT_TRUE(Near(Pixel(2, 2), 0xFF0000FF, 0)) << "clockwise culling removes them";
}

// Draws an 8x8 texture one texel per pixel and compares with libsquish's decoding of the same blocks.
void DrawBlocksAndCompare(GlDeviceTest& t, D3DFORMAT format) {
  IDirect3DDevice8* device = t.device.get();
  std::mt19937 rng(static_cast<unsigned>(format));
  std::vector<squish::u8> rgba(8 * 8 * 4);
  for (size_t i = 0; i < rgba.size(); ++i)
    rgba[i] = static_cast<squish::u8>(rng());
  const int flags = format == D3DFMT_DXT1   ? squish::kDxt1
                    : format == D3DFMT_DXT3 ? squish::kDxt3
                                            : squish::kDxt5;
  std::vector<BYTE> blocks(static_cast<size_t>(squish::GetStorageRequirements(8, 8, flags)));
  squish::CompressImage(rgba.data(), 8, 8, blocks.data(), flags);
  std::vector<squish::u8> decoded(rgba.size());
  squish::DecompressImage(decoded.data(), 8, 8, blocks.data(), flags);

  ComPtr<IDirect3DTexture8> texture;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, format, D3DPOOL_MANAGED, &texture), D3D_OK);
  D3DLOCKED_RECT lr{};
  ASSERT_EQ(texture->LockRect(0, &lr, nullptr, 0), D3D_OK);
  ASSERT_EQ(lr.Pitch * 2, static_cast<INT>(blocks.size()));
  std::memcpy(lr.pBits, blocks.data(), blocks.size());
  texture->UnlockRect(0);
  device->SetTexture(0, texture.Get());
  t.Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0);
  ASSERT_EQ(t.Quad(0, 0, 8, 8, 0xFFFFFFFF), D3D_OK);
  const auto pixels = t.ReadBack();
  int worst = 0;
  for (UINT y = 0; y < 8; ++y) {
    for (UINT x = 0; x < 8; ++x) {
      const squish::u8* d = &decoded[4 * (y * 8 + x)];
      const D3DCOLOR want = (D3DCOLOR(d[3]) << 24) | (D3DCOLOR(d[0]) << 16) | (D3DCOLOR(d[1]) << 8) | d[2];
      const D3DCOLOR got = pixels[y * GlDeviceTest::kSize + x];
      for (int s : {24, 16, 8, 0})
        worst = std::max(worst, std::abs(Channel(got, s) - Channel(want, s)));
    }
  }
  // Decoders may round the interpolated colours differently by a step or two.
  EXPECT_LE(worst, 3) << "format " << format;
}

TEST_F(GlDeviceTest, BlockCompressedTexturesDrawAsLibsquishDecodesThem) {
  EXPECT_TRUE(gl->UsesS3TC()) << "Mesa offers S3TC; the fall-back is tested below";
  for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5})
    DrawBlocksAndCompare(*this, format);
}

TEST_F(GlDeviceTest, WithoutS3TCBlocksAreDecodedBeforeUpload) {
  device.reset();
  Make(D3DFMT_A8R8G8B8, GlDeviceOptions{true});
  if (!device) GTEST_SKIP() << "no headless OpenGL device";
  ASSERT_FALSE(gl->UsesS3TC());
  for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5})
    DrawBlocksAndCompare(*this, format);
}

TEST_F(GlDeviceTest, SixteenBitAndOpaqueFormatsUploadConverted) {
  Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0);
  struct Case {
    D3DFORMAT format;
    D3DCOLOR written, drawn;
  };
  const Case cases[] = {
      {D3DFMT_R5G6B5, 0xFFFF8000, 0xFFFF8200},   {D3DFMT_X1R5G5B5, 0x0000FF00, 0xFF00FF00},
      {D3DFMT_A1R5G5B5, 0x00FF0000, 0x00FF0000}, {D3DFMT_A4R4G4B4, 0x88FF0044, 0x88FF0044},
      {D3DFMT_X8R8G8B8, 0x00123456, 0xFF123456},
  };
  for (const Case& c : cases) {
    auto texture = SolidTexture(c.written, c.format);
    device->SetTexture(0, texture.Get());
    FullQuad(0xFFFFFFFF);
    EXPECT_TRUE(Near(Pixel(3, 3), c.drawn, 1)) << c.format;
  }
}

TEST_F(GlDeviceTest, APalettisedTextureThroughTheP8Conversion) {
  std::array<PALETTEENTRY, 256> palette{};
  palette[1] = {255, 0, 0, 255};
  palette[2] = {0, 255, 0, 255};
  palette[3] = {0, 0, 255, 128};
  const BYTE indices[4] = {1, 2, 3, 1};
  ComPtr<IDirect3DSurface8> work;
  ASSERT_EQ(device->CreateImageSurface(2, 2, D3DFMT_A8R8G8B8, &work), D3D_OK);
  const RECT all{0, 0, 2, 2};
  ASSERT_EQ(D3DXLoadSurfaceFromMemory(work.Get(), nullptr, nullptr, indices, D3DFMT_P8, 2, palette.data(),
                                      &all, D3DX_FILTER_TRIANGLE, 0),
            D3D_OK);
  ComPtr<IDirect3DTexture8> texture;
  ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
  ComPtr<IDirect3DSurface8> level;
  texture->GetSurfaceLevel(0, &level);
  ASSERT_EQ(device->CopyRects(work.Get(), nullptr, 0, level.Get(), nullptr), D3D_OK);
  device->SetTexture(0, texture.Get());
  Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0);
  FullQuad(0xFFFFFFFF);
  EXPECT_TRUE(Near(Pixel(2, 2), 0xFFFF0000, 0));
  EXPECT_TRUE(Near(Pixel(kSize - 2, 2), 0xFF00FF00, 0));
  EXPECT_TRUE(Near(Pixel(2, kSize - 2), 0x800000FF, 0));
}

// A quad facing the camera at z = 1 under a 90-degree projection covers the whole back buffer.
class GlSceneTest : public GlDeviceTest {
 protected:
  void SetUp() override {
    GlDeviceTest::SetUp();
    if (!device) return;
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, kPi / 2, 1.0f, 0.5f, 10.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0);
  }
  void DrawFacingQuad(D3DCOLOR colour) {
    const LitVertex v[4] = {{-1, 1, 1, 0, 0, -1, colour, 0, 0},
                            {1, 1, 1, 0, 0, -1, colour, 1, 0},
                            {-1, -1, 1, 0, 0, -1, colour, 0, 1},
                            {1, -1, 1, 0, 0, -1, colour, 1, 1}};
    device->SetVertexShader(kLitFvf);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(LitVertex)), D3D_OK);
  }
};

TEST_F(GlSceneTest, DirectionalPointAndAmbientLighting) {
  device->SetRenderState(D3DRS_LIGHTING, 1);
  D3DMATERIAL8 material;
  material.Diffuse = {1, 1, 1, 1};
  material.Ambient = {1, 1, 1, 1};
  device->SetMaterial(&material);

  // Only ambient: the material's ambient (white) times the ambient colour.
  device->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
  DrawFacingQuad(0xFFC86432);
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFF404040));

  // A white light shining along +z onto the quad gives the vertex colour (diffuse from the vertex).
  device->SetRenderState(D3DRS_AMBIENT, 0);
  D3DLIGHT8 light;
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 0};
  light.Direction = {0, 0, 1};
  device->SetLight(0, &light);
  device->LightEnable(0, true);
  DrawFacingQuad(0xFFC86432);
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFFC86432));

  // At 60 degrees it gives half.
  light.Direction = {0, std::sin(kPi / 3), std::cos(kPi / 3)};
  device->SetLight(0, &light);
  DrawFacingQuad(0xFFC86432);
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFF64321A));

  // A point light in front, as the panel makes them (no attenuation), lights each corner by its angle
  // (6 / sqrt(38)); out of range, not at all.
  light.Type = D3DLIGHT_POINT;
  light.Position = {0, 0, -5};
  light.Range = 1000;
  device->SetLight(0, &light);
  DrawFacingQuad(0xFFC86432);
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFFC36131));
  light.Range = 2;
  device->SetLight(0, &light);
  DrawFacingQuad(0xFFC86432);
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFF000000));
}

TEST_F(GlSceneTest, LinearVertexFogMixesTheFogColour) {
  device->SetRenderState(D3DRS_FOGENABLE, 1);
  device->SetRenderState(D3DRS_FOGCOLOR, 0xFF00FF00);
  device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
  device->SetRenderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(0.0f));
  device->SetRenderState(D3DRS_FOGEND, std::bit_cast<DWORD>(2.0f));
  DrawFacingQuad(0xFFFF0000);
  // Depth 1 of 0..2: half fog.
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFF808000));
  device->SetRenderState(D3DRS_FOGENABLE, 0);
  DrawFacingQuad(0xFFFF0000);
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFFFF0000));
}

TEST_F(GlDeviceTest, IndexedDrawsStayInsideTheirBuffers) {
  ComPtr<IDirect3DVertexBuffer8> vb;
  ComPtr<IDirect3DIndexBuffer8> ib;
  ASSERT_EQ(device->CreateVertexBuffer(4 * sizeof(ScreenVertex), D3DUSAGE_WRITEONLY, kScreenFvf,
                                       D3DPOOL_DEFAULT, &vb),
            D3D_OK);
  ASSERT_EQ(device->CreateIndexBuffer(6 * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib),
            D3D_OK);
  BYTE* data = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
  const ScreenVertex v[4] = {{0, 0, 0.5f, 1, 0xFFFF0000, 0, 0},
                             {kSize, 0, 0.5f, 1, 0xFFFF0000, 0, 0},
                             {0, kSize, 0.5f, 1, 0xFFFF0000, 0, 0},
                             {kSize, kSize, 0.5f, 1, 0xFFFF0000, 0, 0}};
  std::memcpy(data, v, sizeof v);
  vb->Unlock();
  ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
  const std::uint16_t strip[6] = {0, 1, 2, 3, 7, 0};
  std::memcpy(data, strip, sizeof strip);
  ib->Unlock();
  Stage(0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0);
  device->SetStreamSource(0, vb.Get(), sizeof(ScreenVertex));
  device->SetIndices(ib.Get(), 0);
  device->SetVertexShader(kScreenFvf);
  ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 4, 0, 2), D3D_OK);
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFFFF0000, 0));
  // Index 7 is past the four vertices; so is a base vertex that pushes index 3 out; so is reading past the
  // indices.
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 4, 2, 2), D3DERR_INVALIDCALL);
  device->SetIndices(ib.Get(), 1);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  device->SetIndices(ib.Get(), 0);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 3), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 2, 1), D3DERR_INVALIDCALL);
}

TEST_F(GlDeviceTest, ResourcesOutliveTheirDevice) {
  auto texture = SolidTexture(0xFFFFFFFF);
  device->SetTexture(0, texture.Get());
  FullQuad(0xFFFFFFFF);
  ComPtr<IDirect3DSurface8> back;
  device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back);
  device.reset();
  D3DLOCKED_RECT lr{};
  EXPECT_EQ(back->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
  ASSERT_EQ(texture->LockRect(0, &lr, nullptr, 0), D3D_OK);
  texture->UnlockRect(0);
  texture.Reset();
}

TEST(GlHeadless, PresentScalesTheBackBufferIntoTheWindow) {
  GlDirect3D d3d(GlAdapterInfo{}, HeadlessHostFactory(32, 32));
  D3DPRESENT_PARAMETERS p;
  p.BackBufferWidth = 16;
  p.BackBufferHeight = 16;
  p.BackBufferFormat = D3DFMT_X8R8G8B8;
  p.Windowed = true;
  p.SwapEffect = D3DSWAPEFFECT_DISCARD;
  std::unique_ptr<IDirect3DDevice8> device;
  if (FAILED(d3d.CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device)))
    GTEST_SKIP() << "no headless OpenGL device: " << d3d.LastError();
  const RECT left{0, 0, 8, 16};
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1, 0);
  device->Clear(1, &left, D3DCLEAR_TARGET, 0xFFFF0000, 1, 0);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1, 0), D3DERR_INVALIDCALL) << "no depth buffer";
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  auto& host = static_cast<EglHeadlessHost&>(static_cast<GlDevice&>(*device).Host());
  const auto window = host.ReadWindow();
  ASSERT_EQ(window.size(), 32u * 32u);
  EXPECT_TRUE(Near(window[5 * 32 + 2], 0xFFFF0000, 0));
  EXPECT_TRUE(Near(window[5 * 32 + 29], 0xFF00FF00, 0));
  EXPECT_TRUE(Near(window[31 * 32 + 13], 0xFFFF0000, 0))
      << "the left half of the back buffer fills 16 columns";
  EXPECT_TRUE(Near(window[31 * 32 + 18], 0xFF00FF00, 0));
}

TEST(GlHeadless, TheReferenceDeviceIsMesasSoftwareRasterizer) {
  auto d3d = CreateHeadlessDirect3D();
  D3DPRESENT_PARAMETERS p;
  p.BackBufferWidth = 8;
  p.BackBufferHeight = 8;
  p.Windowed = true;
  p.SwapEffect = D3DSWAPEFFECT_DISCARD;
  std::unique_ptr<IDirect3DDevice8> device;
  if (FAILED(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device)))
    GTEST_SKIP() << "no headless OpenGL device: " << d3d->LastError();
  EXPECT_NE(static_cast<GlDevice&>(*device).Renderer().find("llvmpipe"), std::string::npos)
      << static_cast<GlDevice&>(*device).Renderer();
  EXPECT_EQ(p.BackBufferFormat, D3DFMT_X8R8G8B8) << "a windowed device without a format takes the desktop's";
  // Exactly one kind of vertex processing.
  std::unique_ptr<IDirect3DDevice8> other;
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_REF, nullptr, 0, &p, &other), D3DERR_INVALIDCALL);
}

TEST(GlHeadless, DisplayModesAreTheScreenAndTheCommonSizesThatFit) {
  const auto modes = GlDisplayModes({1366, 768, 60});
  std::vector<std::string> sizes;
  for (const auto& m : modes) {
    sizes.push_back(std::to_string(m.Width) + "x" + std::to_string(m.Height));
    EXPECT_EQ(m.Format, D3DFMT_X8R8G8B8);
  }
  EXPECT_EQ(sizes,
            (std::vector<std::string>{"640x480", "800x600", "1024x768", "1280x720", "1360x768", "1366x768"}));
  const auto odd = GlDisplayModes({700, 500, 60});
  ASSERT_EQ(odd.size(), 2u);
  EXPECT_EQ(odd[1].Width, 700u);
}

TEST(GlHeadless, ThePanelDrawsItsFramesOnTheOpenGLDevice) {
  TVellDXPanel panel([](UINT) { return CreateHeadlessDirect3D(); }, nullptr);
  panel.Initialise();
  if (!panel.Initialised()) GTEST_SKIP() << "no headless OpenGL device";
  EXPECT_EQ(panel.BackBufferFormat(), D3DFMT_X8R8G8B8);
  panel.SetColor(8544595);
  panel.InitialiseBeforeRender = false;
  panel.RenderEnabled = true;
  int frames = 0;
  panel.OnAfterRender = [&](TVellDXPanel& p) {
    ++frames;
    EXPECT_TRUE(p.InFrame());
  };
  ASSERT_TRUE(panel.Paint());
  EXPECT_EQ(frames, 1);
  ComPtr<IDirect3DSurface8> back;
  ASSERT_EQ(panel.Device()->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  D3DLOCKED_RECT lr{};
  ASSERT_EQ(back->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  D3DCOLOR first;
  std::memcpy(&first, lr.pBits, 4);
  back->UnlockRect();
  EXPECT_EQ(first, 0xFF536182u);  // 8544595 is 0x826153: red 0x53, green 0x61, blue 0x82
}

}  // namespace

// Under the leak checker: llvmpipe's compiled shaders allocate with calloc and realloc from code no unwinder
// can name, and keep those blocks past exit. Our code allocates with neither.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:__interceptor_calloc\nleak:__interceptor_realloc\nleak:libgallium\nleak:libLLVM\nleak:libEGL_"
         "mesa\n";
}
