// dravo model: the game's ".dxg" models: what a file holds, and a picture of a model as the editor draws it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli.h"
#include "core/byte_io.h"
#include "core/file_io.h"
#include "core/text.h"
#include "editor/game_archives.h"
#include "formats/dxg_file.h"
#include "formats/dxg_model.h"
#include "formats/model_manager.h"
#include "formats/model_plugin.h"
#include "formats/png_file.h"
#include "formats/texture_manager.h"
#include "formats/texture_plugin.h"
#include "render/gl/gl_device.h"
#include "render/view_panel.h"

namespace dravo::cli {

namespace {

nlohmann::ordered_json Vec(Vector3 v) {
  return nlohmann::ordered_json::array({v.x, v.y, v.z});
}

void Info(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  DxgFile file;
  try {
    file = ParseDxgFile(bytes);
  } catch (const DxgFileError& e) {
    throw InputError(path, e.what());
  }
  nlohmann::ordered_json json;
  json["bones"] = nlohmann::ordered_json::array();
  for (const DxgBone& bone : file.bones)
    json["bones"].push_back({{"name", EightBitToUtf8(bone.name)}, {"parent", bone.parent}});
  json["materials"] = nlohmann::ordered_json::array();
  for (const std::string& name : file.materialNames)
    json["materials"].push_back(EightBitToUtf8(name));
  json["meshes"] = nlohmann::ordered_json::array();
  for (const DxgMesh& mesh : file.levels.front().meshes) {
    nlohmann::ordered_json m;
    m["material"] = file.materialNames.empty()
                        ? nlohmann::ordered_json(nullptr)
                        : nlohmann::ordered_json(EightBitToUtf8(
                              file.materialNames[mesh.materialIndex % file.materialNames.size()]));
    m["materialIndex"] = mesh.materialIndex;
    m["flags"] = mesh.flags;
    m["compressed"] = mesh.compressed();
    m["vertices"] = mesh.vertexCount;
    m["indices"] = mesh.indices.size();
    json["meshes"].push_back(m);
  }
  json["levels"] = file.levelCount;
  json["palette"] = file.palette.size();
  const DxgBounds bounds = DxgModelBounds(file);
  json["bounds"] = {{"min", Vec(bounds.min)}, {"max", Vec(bounds.max)}};
  std::printf("%s\n", json.dump().c_str());
}

// The game's archives, the managers over them and a headless panel; the model is given back before the
// managers go.
struct WorldBox {
  Vector3 min{}, max{};
  bool valid = false;
};

// Bounds of the vertices as last drawn, in world space.
WorldBox SkinnedWorldBox(TDXGmodel& model, IDirect3DDevice8* device) {
  WorldBox box;
  D3DMATRIX world = IdentityMatrix();
  device->GetTransform(D3DTS_WORLD, &world);
  BYTE* bytes = nullptr;
  if (!model.VertexBuffer || FAILED(model.VertexBuffer->Lock(0, 0, &bytes, D3DLOCK_READONLY)) || !bytes)
    return box;
  D3DVERTEXBUFFER_DESC desc{};
  model.VertexBuffer->GetDesc(&desc);
  for (UINT offset = 0; offset + TDXGmodel::kVertexBytes <= desc.Size; offset += TDXGmodel::kVertexBytes) {
    const Vector3 p = TransformCoord(
        {LoadF32(bytes + offset), LoadF32(bytes + offset + 4), LoadF32(bytes + offset + 8)}, world);
    if (!box.valid) {
      box = {p, p, true};
      continue;
    }
    box.min = {std::min(box.min.x, p.x), std::min(box.min.y, p.y), std::min(box.min.z, p.z)};
    box.max = {std::max(box.max.x, p.x), std::max(box.max.y, p.y), std::max(box.max.z, p.z)};
  }
  model.VertexBuffer->Unlock();
  return box;
}

void Render(const std::string& game, const std::string& name, const std::string& out, int size) {
  std::error_code ec;
  if (!std::filesystem::is_directory(game, ec)) throw InputError(game, "not a folder");
  if (size < 16 || size > 4096) throw InputError(out, "the size must be from 16 to 4096 pixels");
  GameResources resources;
  std::string folder = game;
  if (!IsPathDelimiter(folder.back())) folder += '/';
  MountGameArchives(resources.manager(), folder);
  TRmxResManager& manager = resources.manager();
  if (manager.FolderCount() == 0)
    throw InputError(game, "holds no readable " + std::string(kCommonArchive) + " or " + kTexturesArchive);

  const UINT side = static_cast<UINT>(size);
  TVellDXPanel panel([](UINT) { return CreateHeadlessDirect3D(); }, nullptr);
  panel.ClientWidth = side;
  panel.ClientHeight = side;
  panel.OnResolutionCheck = [side](TVellDXPanel&, DWORD& width, DWORD& height, DWORD&) {
    width = side;
    height = side;
  };
  panel.Initialise();
  if (!panel.Initialised() || !panel.Device()) throw InputError("", "no OpenGL device to draw with");

  TRmxGfxManager textures(&manager);
  textures.RegisterPlugIn(std::make_unique<TMvAGfxPlugIn>(&panel));
  auto models = std::make_unique<TRmxObjectManager>(&manager);
  models->RegisterPlugIn(
      std::make_unique<TMvAObjPlugIn>(*models, &panel, TMaterialServices{&manager, &textures}));
  TDXGmodel* model = nullptr;
  const std::int32_t code = models->LoadModel(Trim(name), model);
  if (code != 0 || !model)
    throw InputError(name, "the model could not be loaded (code " + std::to_string(code) + ")");

  panel.Viewport = D3DVIEWPORT8{0, 0, side, side, 0.0f, 1.0f};
  panel.SetColor(0x00707070);
  panel.UseLights = false;
  // The editor's front view turns the scene half a turn about y; at rest and clean: no mud over the skin.
  model->OnWorldMatrix = [](TDXGmodel&, D3DXMATRIX& world) { D3DXMatrixRotationY(&world, kPi); };
  model->OnTextureFactor = [](TDXGmodel&, D3DCOLOR& colour) { colour = 0; };
  panel.OnAfterRender = [model](TVellDXPanel&) { model->RenderAt({0, 0, 0}); };
  panel.RenderEnabled = true;
  panel.Paint();

  // Frame the model by where its skinned vertices landed, not by the box of the stored positions, which
  // for a skinned rider lie around the bones' origins.
  const WorldBox box = SkinnedWorldBox(*model, panel.Device());
  Vector3 centre{0, 0, 0};
  float radius = 1.0f;
  if (box.valid) {
    centre = (box.min + box.max) * 0.5f;
    radius = std::max(Vec3Length(box.max - box.min) * 0.5f, 0.01f);
  }
  const float distance = std::max(radius / std::sin(panel.FieldOfView / 2) * 1.1f, radius + 1.5f);
  panel.Eye = centre - Vector3{0, 0, distance};
  panel.LookAt = centre;
  panel.Up = {0, 1, 0};
  panel.FarCutOff = distance + 4 * radius + 10;
  panel.Paint();

  ComPtr<IDirect3DSurface8> back;
  D3DLOCKED_RECT locked{};
  if (FAILED(panel.Device()->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back)) || !back ||
      FAILED(back->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
    throw InputError("", "the picture could not be read back");
  std::vector<std::uint8_t> rgba(std::size_t(side) * side * 4);
  for (UINT y = 0; y < side; ++y) {
    const auto* row =
        static_cast<const std::uint8_t*>(locked.pBits) + std::size_t(y) * std::size_t(locked.Pitch);
    for (UINT x = 0; x < side; ++x) {
      // Blue, green, red bytes of an X8R8G8B8 pixel.
      std::uint8_t* p = &rgba[(std::size_t(y) * side + x) * 4];
      p[0] = row[4 * x + 2];
      p[1] = row[4 * x + 1];
      p[2] = row[4 * x];
      p[3] = 255;
    }
  }
  back->UnlockRect();
  models->ReleaseModel(model);
  models.reset();
  WritePngRgba(out, size, size, rgba);
}

}  // namespace

void AddModelCommands(CLI::App& app) {
  CLI::App* modelCmd = app.add_subcommand("model", "The game's models (.dxg)");
  modelCmd->require_subcommand(1);

  auto file = std::make_shared<std::string>();
  CLI::App* info = modelCmd->add_subcommand(
      "info", "Print a model's bones, materials, meshes, palette and bounds as JSON");
  info->add_option("FILE", *file, "A .dxg file")->required();
  info->callback([file] { Info(*file); });

  auto game = std::make_shared<std::string>();
  auto name = std::make_shared<std::string>();
  auto out = std::make_shared<std::string>();
  auto size = std::make_shared<int>(512);
  CLI::App* render = modelCmd->add_subcommand(
      "render", "Draw a model of the game at rest, seen from the front, into a PNG (headless OpenGL)");
  render->add_option("--game", *game, "The game's folder")->required();
  render->add_option("NAME", *name, "The model's resource name (its extension becomes .dxg)")->required();
  render->add_option("-o,--output", *out, "The PNG file to write")->required();
  render->add_option("--size", *size, "Width and height of the picture in pixels")->capture_default_str();
  render->callback([game, name, out, size] { Render(*game, *name, *out, *size); });
}

const CommandGroup kGroup{"model", AddModelCommands};

}  // namespace dravo::cli
