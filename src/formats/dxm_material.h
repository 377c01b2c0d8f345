#pragma once

// The material of one mesh: a ".dxm" document of shader passes, each with a texture map and Direct3D
// state values written by their names. The model's draw uses the pass count and the pass textures; the
// skins panel swaps pass textures; the other values are kept as read.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "render/d3d8.h"
#include "resources/typed_ini.h"

namespace dravo {

class TRmxGfxManager;
class TRmxResManager;
class TVellDXPanel;

// Where materials find their documents and their textures. Both outlive every material.
struct TMaterialServices {
  TRmxResManager* Resources = nullptr;
  TRmxGfxManager* Textures = nullptr;
};

struct TShaderPass {
  std::string VertexShaderName;  // at most 80 characters
  DWORD VertexShader = 0;        // never set: the names are only kept
  std::string PixelShaderName;
  DWORD PixelShader = 0;
  std::int32_t TextureMapCount = 0;
  bool ZEnable = true;
  bool ZWriteEnable = true;
  std::int32_t AlphaFunc = 0;
  bool AlphaBlendEnable = false;
  bool AlphaTestEnable = false;
  std::int32_t AlphaRef = 0;
  std::int32_t SrcBlend = 0;
  std::int32_t DestBlend = 0;
  bool FogEnable = false;
  std::int32_t MagFilter = 1;
  std::int32_t MinFilter = 1;
  std::int32_t MipFilter = 0;
  std::int32_t MaxAnisotropy = 0;
  std::int32_t AddressU = 1;
  std::int32_t AddressV = 1;
  std::int32_t TextureTransformFlags = 0;
  std::int32_t CullMode = 1;
  std::int32_t NumAnimators = 0;
  std::string TextureMap;  // the texture name last asked for (".dxt", then ".atx")
  std::int32_t TextureCoordinateIndex = 1;
  bool Mipmap = true;
  ComPtr<IDirect3DTexture8> Texture;  // one use of the texture manager's entry
};

// The vocabularies of the enumeration keys: every name preceded by its code byte.
extern const std::string_view kAlphaFuncNames;
extern const std::string_view kBlendNames;
extern const std::string_view kFilterNames;
extern const std::string_view kAddressNames;
extern const std::string_view kTextureTransformNames;
extern const std::string_view kCullNames;

// Finds the upper-cased value in the vocabulary and gives the byte in front of where it first occurs;
// the default when it does not occur (an empty value never does).
std::int32_t LookupEnumeration(std::string_view value, std::string_view vocabulary, std::int32_t fallback);

class TDXMmaterial : public TRmxIniFile {
 public:
  // `Name` becomes `name` with its extension replaced by ".dxm".
  TDXMmaterial(std::string_view name, TVellDXPanel* panel, TMaterialServices services);
  // Releases every pass texture through the texture manager.
  ~TDXMmaterial() override;

  // Reads the ".dxm" resource of that name (extension replaced) and parses it. False when the resource is
  // not found or parsing fails.
  bool LoadByName(std::string_view name);
  using TRmxIniFile::LoadFromStream;
  // Parses the document and loads the pass textures. False for no stream, or when the last pass that
  // names a texture could not load it (neither as ".dxt" nor ".atx").
  virtual bool LoadFromStream(MemoryStream* stream);

  TShaderPass* GetPass(std::int32_t index);
  const TShaderPass* GetPass(std::int32_t index) const;

  std::string Name;  // at most 255 characters
  std::int32_t PassCount = 0;

 private:
  void ReleasePasses();

  TVellDXPanel* m_panel;
  TMaterialServices m_services;
  std::vector<TShaderPass> m_passes;
};

}  // namespace dravo
