#pragma once

// What the OpenGL device's files share and nothing else uses: the resources' GL names, the vertex
// layouts of flexible vertex formats and the shader's uniforms.

// clang-format off
#include <epoxy/gl.h>
// clang-format on

#include <memory>
#include <vector>

#include "render/gl/gl_device.h"
#include "render/memory_resources.h"

namespace dravo {

// What the device's resources share with it: the context they belong to and the names they leave behind. GL
// names are only deleted with the context current, so resources queue them and the device deletes them at
// its next call; after the device is gone the context has taken them with it.
struct GlShared {
  GlContextHost* host = nullptr;
  bool alive = true;
  bool s3tc = false;
  std::vector<GLuint> deadTextures;
  std::vector<GLuint> deadBuffers;
  // The back buffer.
  GLuint framebuffer = 0;
  GLuint colour = 0;
  GLuint depth = 0;
  UINT width = 0, height = 0;
  D3DFORMAT format = D3DFMT_X8R8G8B8;
  bool lockable = false;
  bool hasDepth = false;
  bool hasStencil = false;
};

class GlTexture : public TMemoryTexture {
 public:
  GlTexture(std::shared_ptr<GlShared> shared, UINT width, UINT height, UINT levels, DWORD usage,
            D3DFORMAT format, D3DPOOL pool)
      : TMemoryTexture(width, height, levels, usage, format, pool), shared(std::move(shared)) {}
  ~GlTexture() override {
    if (name && shared->alive) shared->deadTextures.push_back(name);
  }
  std::shared_ptr<GlShared> shared;
  GLuint name = 0;
};

class GlVertexBuffer : public TMemoryVertexBuffer {
 public:
  GlVertexBuffer(std::shared_ptr<GlShared> shared, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
      : TMemoryVertexBuffer(length, usage, fvf, pool), shared(std::move(shared)) {}
  ~GlVertexBuffer() override {
    if (name && shared->alive) shared->deadBuffers.push_back(name);
  }
  std::shared_ptr<GlShared> shared;
  GLuint name = 0;
};

class GlIndexBuffer : public TMemoryIndexBuffer {
 public:
  GlIndexBuffer(std::shared_ptr<GlShared> shared, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
      : TMemoryIndexBuffer(length, usage, format, pool), shared(std::move(shared)) {}
  ~GlIndexBuffer() override {
    if (name && shared->alive) shared->deadBuffers.push_back(name);
  }
  std::shared_ptr<GlShared> shared;
  GLuint name = 0;
};

// Where each vertex element sits for a flexible vertex format.
struct VertexLayout {
  bool pretransformed = false;
  UINT positionSize = 3;
  int normal = -1, diffuse = -1, specular = -1;
  int tex[2] = {-1, -1};
  UINT texSize[2] = {2, 2};
};
VertexLayout LayoutOf(DWORD fvf);

// A device colour (A8R8G8B8) as red, green, blue, alpha from 0 to 1.
inline void ColourToFloats(D3DCOLOR c, float out[4]) {
  out[0] = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
  out[1] = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
  out[2] = static_cast<float>(c & 0xFF) / 255.0f;
  out[3] = static_cast<float>(c >> 24) / 255.0f;
}

struct GlDevice::Impl {
  std::shared_ptr<GlShared> shared = std::make_shared<GlShared>();
  ComPtr<IDirect3DSurface8> backBuffer;
  GLuint program = 0;
  GLuint vertexArray = 0;
  GLuint userBuffer = 0;  // vertices drawn from caller memory
  GLuint samplers[2] = {0, 0};
  std::vector<GLint> locations;

  // Uniform names, in the order of `locations`.
  enum Uniform {
    WorldView,
    Projection,
    NormalMatrix,
    Pretransformed,
    ViewportRect,
    HasDiffuse,
    HasSpecular,
    Lighting,
    NormalizeNormals,
    ColorVertex,
    DiffuseSource,
    AmbientSource,
    EmissiveSource,
    MaterialDiffuse,
    MaterialAmbient,
    MaterialEmissive,
    Ambient,
    LightCount,
    LightType,
    LightPosition,
    LightDirection,
    LightDiffuse,
    LightAmbient,
    LightRange,
    LightAttenuation,
    LightSpot,
    FogVertexMode,
    FogRange,
    Fog,
    TexCoordIndex0,
    TexCoordIndex1,
    Texture0,
    Texture1,
    HasTexture0,
    HasTexture1,
    ColorOp,
    ColorArg1,
    ColorArg2,
    AlphaOp,
    AlphaArg1,
    AlphaArg2,
    TextureFactor,
    SpecularEnable,
    AlphaTest,
    AlphaFunc,
    AlphaRef,
    FogEnable,
    FogTableMode,
    FogColor,
    UniformCount
  };
  static constexpr const char* kNames[UniformCount] = {"uWorldView",
                                                       "uProjection",
                                                       "uNormalMatrix",
                                                       "uPretransformed",
                                                       "uViewport",
                                                       "uHasDiffuse",
                                                       "uHasSpecular",
                                                       "uLighting",
                                                       "uNormalize",
                                                       "uColorVertex",
                                                       "uDiffuseSource",
                                                       "uAmbientSource",
                                                       "uEmissiveSource",
                                                       "uMaterialDiffuse",
                                                       "uMaterialAmbient",
                                                       "uMaterialEmissive",
                                                       "uAmbient",
                                                       "uLightCount",
                                                       "uLightType",
                                                       "uLightPosition",
                                                       "uLightDirection",
                                                       "uLightDiffuse",
                                                       "uLightAmbient",
                                                       "uLightRange",
                                                       "uLightAttenuation",
                                                       "uLightSpot",
                                                       "uFogVertexMode",
                                                       "uFogRange",
                                                       "uFog",
                                                       "uTexCoordIndex0",
                                                       "uTexCoordIndex1",
                                                       "uTexture0",
                                                       "uTexture1",
                                                       "uHasTexture0",
                                                       "uHasTexture1",
                                                       "uColorOp",
                                                       "uColorArg1",
                                                       "uColorArg2",
                                                       "uAlphaOp",
                                                       "uAlphaArg1",
                                                       "uAlphaArg2",
                                                       "uTextureFactor",
                                                       "uSpecularEnable",
                                                       "uAlphaTest",
                                                       "uAlphaFunc",
                                                       "uAlphaRef",
                                                       "uFogEnable",
                                                       "uFogTableMode",
                                                       "uFogColor"};
  GLint at(Uniform u) const { return locations[u]; }
};

}  // namespace dravo
