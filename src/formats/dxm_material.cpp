#include "formats/dxm_material.h"

#include <memory>

#include "core/text.h"
#include "formats/texture_manager.h"
#include "render/view_panel.h"
#include "resources/resource_manager.h"

namespace dravo {

using namespace std::string_view_literals;

// Every name is preceded by its code byte, written as a three-digit octal escape so that it never runs
// into the name.
const std::string_view kAlphaFuncNames =
    "\001D3DCMP_NEVER\002D3DCMP_LESS\003D3DCMP_EQUAL\004D3DCMP_LESSEQUAL\005D3DCMP_GREATER"
    "\006D3DCMP_NOTEQUAL\007D3DCMP_GREATEREQUAL\010D3DCMP_ALWAYS"sv;
const std::string_view kBlendNames =
    "\001D3DBLEND_ZERO\002D3DBLEND_ONE\003D3DBLEND_SRCCOLOR\004D3DBLEND_INVSRCCOLOR"
    "\005D3DBLEND_SRCALPHA\006D3DBLEND_INVSRCALPHA\007D3DBLEND_DESTALPHA\010D3DBLEND_INVDESTALPHA"
    "\011D3DBLEND_DESTCOLOR\012D3DBLEND_INVDESTCOLOR\013D3DBLEND_SRCALPHASAT"
    "\014D3DBLEND_BOTHSRCALPHA\015D3DBLEND_BOTHINVSRCALPHA"sv;
const std::string_view kFilterNames =
    "\000D3DTEXF_NONE\001D3DTEXF_POINT\002D3DTEXF_LINEAR\003D3DTEXF_ANISOTROPIC\004D3DTEXF_FLATCUBIC"
    "\005D3DTEXF_GAUSSIANCUBIC"sv;
const std::string_view kAddressNames =
    "\001D3DTADDRESS_WRAP\002D3DTADDRESS_MIRROR\003D3DTADDRESS_CLAMP\004D3DTADDRESS_BORDER"
    "\005D3DTADDRESS_MIRRORONCE"sv;
const std::string_view kTextureTransformNames =
    "\000D3DTTFF_DISABLE\001D3DTTFF_COUNT1\002D3DTTFF_COUNT2\003D3DTTFF_COUNT3\004D3DTTFF_COUNT4"
    "\000D3DTTFF_PROJECTED"sv;
const std::string_view kCullNames = "\001D3DCULL_NONE\002D3DCULL_CW\003D3DCULL_CCW"sv;

namespace {

// More passes than any material has; a document that claims more is not a material.
constexpr std::int32_t kMaxPasses = 64;
constexpr std::size_t kMaxString = 255;
constexpr std::size_t kMaxShaderName = 80;

std::string Cut(std::string s, std::size_t n) {
  if (s.size() > n) s.resize(n);
  return s;
}

}  // namespace

std::int32_t LookupEnumeration(std::string_view value, std::string_view vocabulary, std::int32_t fallback) {
  if (value.empty()) return fallback;
  const std::size_t at = vocabulary.find(UpperAZ(value));
  if (at == std::string_view::npos || at == 0) return fallback;
  return static_cast<std::uint8_t>(vocabulary[at - 1]);
}

TDXMmaterial::TDXMmaterial(std::string_view name, TVellDXPanel* panel, TMaterialServices services)
    : Name(Cut(ChangeFileExt(name, ".dxm"), kMaxString)), m_panel(panel), m_services(services) {}

TDXMmaterial::~TDXMmaterial() {
  ReleasePasses();
}

void TDXMmaterial::ReleasePasses() {
  IDirect3DDevice8* device = m_panel ? m_panel->Device() : nullptr;
  for (TShaderPass& pass : m_passes) {
    if (device && pass.VertexShader) device->DeleteVertexShader(pass.VertexShader);
    if (device && pass.PixelShader) device->DeletePixelShader(pass.PixelShader);
    if (pass.Texture && m_services.Textures) m_services.Textures->ReleaseTexture(pass.Texture.Get(), false);
    pass.Texture.Reset();
  }
  m_passes.clear();
  PassCount = 0;
}

bool TDXMmaterial::LoadByName(std::string_view name) {
  if (!m_services.Resources) return false;
  const std::string resource = ChangeFileExt(name, ".dxm");
  std::unique_ptr<MemoryStream> stream;
  if (m_services.Resources->ReadResource(resource, stream, false) != 0 || !stream) return false;
  return LoadFromStream(stream.get());
}

bool TDXMmaterial::LoadFromStream(MemoryStream* stream) {
  if (!stream) return false;
  TRmxIniFile::LoadFromStream(*stream);
  ReleasePasses();
  bool result = true;

  const std::int32_t count = ReadInteger("General", "TotalShaderPasses", 0);
  if (count > kMaxPasses) {
    m_lines.clear();
    return false;
  }
  PassCount = count > 0 ? count : 0;
  m_passes.resize(static_cast<std::size_t>(PassCount));
  for (std::int32_t n = 1; n <= PassCount; ++n) {
    const std::string section = "ShaderPass_" + std::to_string(n);
    TShaderPass& pass = m_passes[static_cast<std::size_t>(n - 1)];
    pass.VertexShaderName = Cut(ReadString(section, "VertexShaderName"), kMaxShaderName);
    pass.VertexShader = 0;
    pass.PixelShaderName = Cut(ReadString(section, "PixelShaderName"), kMaxShaderName);
    pass.PixelShader = 0;
    pass.TextureMapCount = ReadInteger(section, "TotalTextureMaps", 0);
    pass.ZEnable = ReadBool(section, "ZENABLE", true);
    pass.ZWriteEnable = ReadBool(section, "ZWRITEENABLE", true);
    // Blending decides the defaults of the alpha function and the blend factors.
    pass.AlphaBlendEnable = ReadBool(section, "ALPHABLENDENABLE", false);
    const bool blending = pass.AlphaBlendEnable;
    pass.AlphaFunc = LookupEnumeration(ReadString(section, "ALPHAFUNC"), kAlphaFuncNames, blending ? 5 : 8);
    pass.AlphaTestEnable = ReadBool(section, "ALPHATESTENABLE", false);
    pass.AlphaRef = ReadInteger(section, "ALPHAREF", 0);
    pass.SrcBlend = LookupEnumeration(ReadString(section, "SRCBLEND"), kBlendNames, blending ? 5 : 2);
    pass.DestBlend = LookupEnumeration(ReadString(section, "DESTBLEND"), kBlendNames, blending ? 6 : 1);
    pass.FogEnable = ReadBool(section, "FOGENABLE", false);
    pass.MagFilter = LookupEnumeration(ReadString(section, "MAGFILTER_0"), kFilterNames, 1);
    pass.MinFilter = LookupEnumeration(ReadString(section, "MINFILTER_0"), kFilterNames, 1);
    pass.MipFilter = LookupEnumeration(ReadString(section, "MIPFILTER_0"), kFilterNames, 0);
    pass.MaxAnisotropy = ReadInteger(section, "MAXANISOTROPY_0", 0);
    pass.AddressU = LookupEnumeration(ReadString(section, "ADDRESSU_0"), kAddressNames, 1);
    pass.AddressV = LookupEnumeration(ReadString(section, "ADDRESSV_0"), kAddressNames, 1);
    // The transform flags have a vocabulary but no key: the empty key never matches.
    pass.TextureTransformFlags = LookupEnumeration(ReadString(section, ""), kTextureTransformNames, 0);
    pass.CullMode = LookupEnumeration(ReadString(section, "Culling"), kCullNames, 1);
    pass.NumAnimators = ReadInteger(section, "NumAnimators", 0);
    pass.TextureMap = Cut(ReadString(section, "TextureMap_1"), kMaxString);
    pass.TextureCoordinateIndex = ReadInteger(section, "TextureCoordinateIndex_1", 1);
    pass.Mipmap = ReadBool(section, "Mipmap_1", true);

    if (pass.TextureMap.empty()) continue;
    pass.TextureMap = ChangeFileExt(pass.TextureMap, ".dxt");
    std::int32_t code =
        m_services.Textures ? m_services.Textures->LoadTexture(2, pass.TextureMap, pass.Texture) : -1;
    if (code != 0) {
      pass.TextureMap = ChangeFileExt(pass.TextureMap, ".atx");
      code = m_services.Textures ? m_services.Textures->LoadTexture(2, pass.TextureMap, pass.Texture) : -1;
    }
    result = code == 0;
  }
  m_lines.clear();
  return result;
}

TShaderPass* TDXMmaterial::GetPass(std::int32_t index) {
  if (index < 0 || index >= PassCount) return nullptr;
  return &m_passes[static_cast<std::size_t>(index)];
}

const TShaderPass* TDXMmaterial::GetPass(std::int32_t index) const {
  if (index < 0 || index >= PassCount) return nullptr;
  return &m_passes[static_cast<std::size_t>(index)];
}

}  // namespace dravo
