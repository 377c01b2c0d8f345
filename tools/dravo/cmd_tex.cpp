// dravo tex: the game's ".dxt" textures: what a file holds, its picture as PNG, and a picture made into one.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli.h"
#include "core/file_io.h"
#include "formats/d3d_format_codes.h"
#include "formats/dxt_bitmap.h"
#include "formats/dxt_file.h"
#include "formats/dxt_texture.h"
#include "formats/image_file.h"
#include "formats/png_file.h"
#include "render/device_base.h"

namespace dravo::cli {

namespace {

// A device that only keeps resources in memory: enough to make and convert textures, nothing to draw on.
class MemoryOnlyDevice : public TDeviceBase {
 public:
  MemoryOnlyDevice() : TDeviceBase(D3DPRESENT_PARAMETERS{}, D3DCAPS8{}, D3DDISPLAYMODE{}) {}
  HRESULT Present(const RECT*, const RECT*, HWND, const void*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetBackBuffer(UINT, D3DBACKBUFFER_TYPE, ComPtr<IDirect3DSurface8>*) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT Clear(DWORD, const RECT*, DWORD, D3DCOLOR, float, DWORD) override { return D3DERR_INVALIDCALL; }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { return D3DERR_INVALIDCALL; }
};

struct DxtRead {
  std::vector<std::uint8_t> bytes;
  DxtFileInfo info;
};

DxtRead ReadDxt(const std::string& path) {
  DxtRead read;
  read.bytes = ReadWholeFile(path);
  try {
    read.info = ParseDxtFile(read.bytes);
  } catch (const DxtFileError& e) {
    throw InputError(path, e.what());
  }
  return read;
}

void Info(const std::string& path) {
  const DxtRead read = ReadDxt(path);
  nlohmann::ordered_json json;
  json["prefix"] = read.info.prefix;
  json["code"] = read.info.code;
  json["width"] = read.info.width;
  json["height"] = read.info.height;
  json["levels"] = nlohmann::ordered_json::array();
  for (const DxtLevelInfo& level : read.info.levels)
    json["levels"].push_back({{"width", level.width}, {"height", level.height}, {"size", level.size}});
  std::printf("%s\n", json.dump().c_str());
}

void ToPng(const std::string& in, const std::string& out) {
  const DxtRead read = ReadDxt(in);
  std::vector<std::uint8_t> rgba;
  try {
    rgba = DecodeDxtRgba(read.bytes, read.info);
  } catch (const DxtFileError& e) {
    throw InputError(in, e.what());
  }
  const DxtLevelInfo& level = read.info.levels[static_cast<std::size_t>(read.info.fullLevel)];
  WritePngRgba(out, static_cast<int>(level.width), static_cast<int>(level.height), rgba);
}

// The replacement of a skin: the picture's size and kind decide the texture format, as in the editor.
void FromImage(const std::string& in, const std::string& out, const std::string& pink, bool mipmaps,
               const std::string& quality) {
  Bitmap picture;
  try {
    // The size comes from the header: a picture that cannot be a texture is never decoded.
    const ImageFile file(in);
    if (!TextureSizeAllowed(file.width(), file.height())) throw InputError(in, kTextureSizeMessage);
    picture = file.decode();
  } catch (const ImageFileError& e) {
    throw InputError(e.file(), e.fault());
  }
  bool hasKey = false;
  std::uint32_t format = 0, keyMask = 0;
  int bitsPerPixel = 0;
  if (!AnalyseBitmap(&picture, hasKey, format, keyMask, bitsPerPixel))
    throw InputError(in,
                     "There was an error trying to read the texture properties, the file may be corrupt.");
  if (format == fmtcode::kX1R5G5B5 && hasKey) {
    if (pink.empty())
      throw InputError(
          in,
          "This Texture seems to contain some Pink Transparency pixels, do you want to use Pink for "
          "transparency in this tecture? Answer with --pink yes or --pink no.");
    if (pink == "yes" && ApplyColourKey(&picture, bitsPerPixel)) format = fmtcode::kA1R5G5B5;
  }
  const D3DFORMAT destination = SkinTextureFormat(format);
  MemoryOnlyDevice device;
  ComPtr<IDirect3DTexture8> texture;
  BitmapToTexture(&device, &picture, format, texture, mipmaps, destination,
                  quality == "best" ? BlockQuality::Best : BlockQuality::Fast);
  std::unique_ptr<MemoryStream> stream;
  if (!texture || !TextureToDxt(stream, texture.Get(), SkinFileCode(destination)))
    throw InputError(in, "the picture could not be made into a texture");
  WriteFileAtomic(out, stream->vector());
}

}  // namespace

void AddTexCommands(CLI::App& app) {
  CLI::App* tex = app.add_subcommand("tex", "The game's textures (.dxt)");
  tex->require_subcommand(1);

  auto file = std::make_shared<std::string>();
  CLI::App* info = tex->add_subcommand("info", "Print a texture's format code and levels as JSON");
  info->add_option("FILE", *file, "A .dxt file")->required();
  info->callback([file] { Info(*file); });

  auto in = std::make_shared<std::string>();
  auto out = std::make_shared<std::string>();
  CLI::App* topng = tex->add_subcommand("topng", "Write a texture's full-size picture as an RGBA PNG");
  topng->add_option("IN", *in, "A .dxt file")->required();
  topng->add_option("OUT", *out, "The PNG file to write")->required();
  topng->callback([in, out] { ToPng(*in, *out); });

  auto source = std::make_shared<std::string>();
  auto target = std::make_shared<std::string>();
  auto pink = std::make_shared<std::string>();
  auto noMipmaps = std::make_shared<bool>(false);
  CLI::App* fromimage = tex->add_subcommand(
      "fromimage", "Make a picture (TGA, BMP, PNG) into a texture as the skins panel does");
  fromimage->add_option("IN", *source, "The picture")->required();
  fromimage->add_option("OUT", *target, "The .dxt file to write")->required();
  fromimage->add_option("--pink", *pink, "Use pink (magenta) pixels of a 16-bit picture for transparency")
      ->check(CLI::IsMember({"yes", "no"}));
  fromimage->add_flag("--no-mipmaps", *noMipmaps, "Write the full size only");
  auto quality = std::make_shared<std::string>("fast");
  fromimage
      ->add_option(
          "--quality", *quality,
          "Block compression: fast (a blink, as the editor does) or best (libsquish's cluster fit on "
          "every core, seconds for a large picture)")
      ->check(CLI::IsMember({"fast", "best"}))
      ->capture_default_str();
  fromimage->callback([source, target, pink, noMipmaps, quality] {
    FromImage(*source, *target, *pink, !*noMipmaps, *quality);
  });
}

const CommandGroup kGroup{"tex", AddTexCommands};

}  // namespace dravo::cli
