// Writes the seed files of the texture, model and material fuzzers with our own writers: every format code
// of ".dxt", ".dxg" models with every kind of mesh, and ".dxm" documents. Run by
// scripts/make-format-seeds.sh; the output is committed under fuzz/corpus/.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "formats/dxg_file.h"
#include "formats/dxm_text.h"
#include "formats/dxt_file.h"

using namespace dravo;
namespace fs = std::filesystem;

namespace {

void Put(const fs::path& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(dir);
  WriteFileAtomic(dir / name, bytes);
}

std::vector<std::uint8_t> Pattern(std::uint64_t size, int seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(seed * 37 + i * 11);
  return bytes;
}

DxtFileLayout Texture(std::uint32_t code, const std::vector<std::uint32_t>& sides, std::uint32_t full) {
  DxtFileLayout layout;
  layout.code = code;
  layout.width = layout.height = full;
  int seed = 0;
  for (std::uint32_t side : sides)
    layout.levels.push_back({side, side, Pattern(DxtLevelBytes(code, side, side), ++seed)});
  for (int i = 0; i < 256; ++i)
    layout.palette[i] = {BYTE(i), BYTE(i * 3), BYTE(255 - i), BYTE(i * 7)};
  return layout;
}

std::vector<DxgVertex> Vertices(int count, float slot) {
  std::vector<DxgVertex> v(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    v[i].position = {0.1f * i, 0.05f * (i % 3), -0.02f * i};
    v[i].normal = {0, 1, 0};
    v[i].u = 0.1f * i;
    v[i].v = 0.2f * i;
    v[i].slot = slot;
  }
  return v;
}

DxgMesh Mesh(int count, std::uint32_t flags, std::uint32_t material, float slot, std::vector<float> scales) {
  DxgMesh mesh;
  mesh.materialIndex = material;
  mesh.flags = flags;
  mesh.scales = std::move(scales);
  mesh.vertexCount = static_cast<std::uint16_t>(count);
  for (int i = 0; i < count; ++i)
    mesh.indices.push_back(static_cast<std::uint16_t>(i));
  mesh.vertexBlock = EncodeDxgVertices(Vertices(count, slot), flags, 1.0f, mesh.scale(1), mesh.scale(2));
  return mesh;
}

DxgBone Bone(const std::string& name, std::int32_t parent, float y) {
  DxgBone bone;
  bone.name = name;
  bone.parent = parent;
  bone.local = MatrixTranslation(0, y, 0);
  return bone;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_format_seeds CORPUS_DIR\n");
    return 2;
  }
  const fs::path root = argv[1];

  const fs::path dxt = root / "dxt_fuzz";
  for (std::uint32_t code : kDxtAllCodes)
    Put(dxt, "code" + std::to_string(code) + ".dxt", WriteDxtFile(Texture(code, {4, 8}, 8)));
  DxtFileLayout prefixed = Texture(kDxtCodeDxt5, {8}, 8);
  prefixed.prefix = true;
  Put(dxt, "prefix.dxt", WriteDxtFile(prefixed));
  DxtFileLayout single = Texture(kDxtCodeDxt5Alt, {8}, 8);
  single.levelCount = 0;
  Put(dxt, "count0.dxt", WriteDxtFile(single));
  Put(dxt, "four-levels.dxt", WriteDxtFile(Texture(kDxtCodeDxt1, {2, 4, 8, 16}, 16)));
  Put(dxt, "palette-prefix.dxt", [] {
    DxtFileLayout layout = Texture(kDxtCodePalette, {4, 2}, 4);
    layout.prefix = true;
    return WriteDxtFile(layout);
  }());

  const fs::path dxg = root / "dxg_fuzz";
  DxgFile rich;
  rich.bones = {Bone("root", -1, 0), Bone("spine", 0, 1), Bone("head", 1, 0.5f)};
  rich.bones[0].positionScale = 2.0f;
  rich.materialNames = {"one.dxm", "two.dxm"};
  rich.levelCount = 2;
  rich.levels[0].meshes = {Mesh(3, 0, 0, 0, {}),
                           Mesh(4, kDxgFlag08 | kDxgFlag10 | kDxgBoneSlots, 1, 1, {1, 1, 1}),
                           Mesh(3, kDxgCompressed, 2, 0, {0.5f, 1, 2}),
                           Mesh(3, kDxgCompressed | kDxgFlag08, 3, 0, {1, 1, 1, 5, 6})};
  rich.levels.push_back(
      DxgLevel{7, {Mesh(2, kDxgCompressed | kDxgFlag08, 0, 0, {}), Mesh(2, kDxgFlag10, 1, 0, {})}});
  rich.palette = {0, 2, 1};
  Put(dxg, "rich.dxg", WriteDxgFile(rich));

  DxgFile completed;
  for (int i = 0; i < 12; ++i)
    completed.bones.push_back(Bone("b" + std::to_string(i), i - 1, 0.25f));
  completed.materialNames = {"skin.dxm"};
  completed.levels[0].meshes = {Mesh(3, kDxgBoneSlots, 0, 1, {}), Mesh(3, kDxgBoneSlots, 0, 2, {}),
                                Mesh(3, kDxgBoneSlots, 0, 3, {}), Mesh(3, 0, 0, 0, {})};
  completed.palette = {0, 1, 2, 3};
  Put(dxg, "palette-completion.dxg", WriteDxgFile(completed));

  DxgFile boneless;
  boneless.magic = {'D', 'X', 'G', 0};
  boneless.materialNames = {"a.dxm"};
  boneless.levels[0].meshes = {Mesh(4, kDxgCompressed, 0, 0, {3, 1, 1})};
  Put(dxg, "boneless.dxg", WriteDxgFile(boneless));

  const fs::path dxm = root / "dxm_fuzz";
  auto text = [](const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
  Put(dxm, "one-pass.dxm", text(WriteDxmText({{"rider01.tga", {}}})));
  Put(dxm, "two-pass.dxm",
      text(WriteDxmText({{"body.tga",
                          {{"ALPHABLENDENABLE", "TRUE"},
                           {"ALPHAFUNC", "D3DCMP_GREATEREQUAL"},
                           {"SRCBLEND", "D3DBLEND_SRCALPHA"},
                           {"DESTBLEND", "BLEND_INVSRCALPHA"},
                           {"MAGFILTER_0", "D3DTEXF_LINEAR"},
                           {"ADDRESSU_0", "D3DTADDRESS_CLAMP"},
                           {"Culling", "D3DCULL_CCW"},
                           {"ZENABLE", "false"},
                           {"ALPHAREF", "$80"}}},
                         {"mud.tga", {{"VertexShaderName", "vs"}, {"Mipmap_1", "FALSE"}}}})));
  Put(dxm, "no-passes.dxm", text("[General]\r\n"));
  return 0;
}
