#include "formats/dxg_model.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>

#include "core/byte_io.h"
#include "formats/dxm_text.h"
#include "formats/texture_manager.h"
#include "formats/texture_plugin.h"
#include "model_fixtures.h"

using namespace dravo;
using namespace dravo::test;

namespace {

// A panel, a folder with a one-pass and a two-pass material and their textures, and a texture manager.
struct ModelRig {
  TRecordingPanel rec;
  ResourceFolder folder;
  std::unique_ptr<TRmxGfxManager> textures;

  ModelRig() {
    folder.Put("a.dxt", WriteDxtFile(DxtWithLevels(kDxtCodeDxt1, 4, 4, {{4, 4}})));
    folder.Put("b.dxt", WriteDxtFile(DxtWithLevels(kDxtCodeDxt5, 4, 4, {{4, 4}})));
    folder.PutText("one.dxm", WriteDxmText({{"a.tga", {}}}));
    folder.PutText("two.dxm", WriteDxmText({{"a.tga", {}}, {"b.tga", {}}}));
    folder.PutText("blank.dxm", WriteDxmText({{"", {}}}));
    folder.Mount();
    textures = std::make_unique<TRmxGfxManager>(folder.manager());
    textures->RegisterPlugIn(std::make_unique<TMvAGfxPlugIn>(rec.panel()));
  }
  std::unique_ptr<TDXGmodel> Make() {
    return std::make_unique<TDXGmodel>(rec.panel(), TMaterialServices{folder.manager(), textures.get()});
  }
  std::unique_ptr<TDXGmodel> Load(const std::vector<std::uint8_t>& bytes, bool expected = true) {
    auto model = Make();
    MemoryStream stream(bytes);
    EXPECT_EQ(model->LoadFromStream(rec.panel(), &stream), expected);
    return model;
  }
  std::unique_ptr<TDXGmodel> Load(const DxgFile& file) { return Load(WriteDxgFile(file)); }
};

struct BufferVertex {
  Vector3 position;
  Vector3 normal;
  std::uint32_t diffuse = 0;
  float u = 0, v = 0;
};

std::vector<BufferVertex> Vertices(TDXGmodel& model) {
  std::vector<BufferVertex> out;
  if (!model.VertexBuffer) return out;
  BYTE* data = nullptr;
  EXPECT_EQ(model.VertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  for (int i = 0; i < model.VertexCount; ++i) {
    const BYTE* p = data + i * 36;
    out.push_back({{LoadF32(p), LoadF32(p + 4), LoadF32(p + 8)},
                   {LoadF32(p + 12), LoadF32(p + 16), LoadF32(p + 20)},
                   LoadU32(p + 24),
                   LoadF32(p + 28),
                   LoadF32(p + 32)});
  }
  model.VertexBuffer->Unlock();
  return out;
}

std::vector<std::uint16_t> Indices(TDXGmodel& model) {
  std::vector<std::uint16_t> out;
  BYTE* data = nullptr;
  EXPECT_EQ(model.IndexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  for (std::uint32_t i = 0; i < model.IndexElementCount; ++i)
    out.push_back(LoadU16(data + 2 * i));
  model.IndexBuffer->Unlock();
  return out;
}

void ExpectNear(Vector3 a, Vector3 b, float tolerance = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

std::vector<DxgVertex> Ramp(int count, float slot = 0) {
  std::vector<DxgVertex> v(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    v[i].position = {0.1f * i, -0.05f * i, 0.02f * i - 0.15f};
    v[i].normal = Normalize({1.0f, float(i), 2.0f});
    v[i].u = 0.125f * i;
    v[i].v = 1.0f - 0.0625f * i;
    v[i].slot = slot;
  }
  return v;
}

// Three bones, two names, four level-0 meshes of every kind, two further levels and a full palette.
DxgFile RichModel() {
  DxgFile file;
  file.headerWord = 0x11223344;
  file.bones = {BoneAt("root", -1, {0, 0, 0}), BoneAt("spine", 0, {0, 1, 0}),
                BoneAt("head", 1, {0, 0.5f, 0})};
  file.bones[0].positionScale = 2.0f;
  file.bones[1].reserved[3] = 7;
  file.materialNames = {"one.dxm", "two.dxm"};
  file.levelCount = 3;
  file.levelByte = 9;
  file.levelWord = 0xBEEF;
  file.levels[0].word = 42;
  file.levels[0].meshes = {
      MeshOf(Ramp(5), 0, 0, {1, 1, 1}),
      MeshOf(Ramp(6, 1), kDxgFlag08 | kDxgFlag10 | kDxgBoneSlots, 1),
      MeshOf(Ramp(4), kDxgCompressed, 2, {0.5f, 1.5f, 2.0f}, 2.0f),
      MeshOf(Ramp(3), kDxgCompressed | kDxgFlag08, 1, {}, 2.0f),
  };
  file.levels[0].meshes[2].compressedHead[0] = 0x77;
  file.levels[0].meshes[2].compressedTail[15] = 0x66;
  DxgLevel lower;
  lower.word = 5;
  lower.meshes = {MeshOf(Ramp(2), kDxgCompressed | kDxgFlag08, 0, {1, 2, 3, 4}, 1.0f),
                  MeshOf(Ramp(3), kDxgFlag08 | kDxgFlag10 | kDxgBoneSlots, 1)};
  file.levels.push_back(lower);
  file.levels.push_back(DxgLevel{6, {MeshOf(Ramp(7), kDxgFlag10, 0)}});
  file.trailerWord = 3;
  file.palette = {0, 2, 1};
  return file;
}

}  // namespace

TEST(DxgFile, WriterOutputParsesAndLoadsBackToTheSameModel) {
  const DxgFile file = RichModel();
  const std::vector<std::uint8_t> bytes = WriteDxgFile(file);
  std::size_t consumed = 0;
  const DxgFile parsed = ParseDxgFile(bytes, &consumed);
  EXPECT_EQ(consumed, bytes.size());
  EXPECT_EQ(WriteDxgFile(parsed), bytes);
  ASSERT_EQ(parsed.levels.size(), 3u);
  EXPECT_EQ(parsed.levels[0].meshes[2].compressedHead[0], 0x77);
  EXPECT_EQ(parsed.bones[2].name, "head");
  EXPECT_EQ(parsed.bones[1].reserved[3], 7);

  ModelRig rig;
  const auto model = rig.Load(file);
  EXPECT_EQ(model->HeaderWord, 0x11223344u);
  EXPECT_EQ(model->LevelCount, 3);
  EXPECT_EQ(model->Level0Word, 42u);
  EXPECT_EQ(model->HeaderByte, 9);
  EXPECT_EQ(model->TrailerWord, 3u);
  ASSERT_EQ(model->BoneCount(), 3);
  TDXGBone bone;
  model->GetBone(1, bone);
  EXPECT_EQ(bone.Name, "spine");
  EXPECT_EQ(bone.Parent, 0);
  EXPECT_EQ(bone.InPalette, 1);
  ASSERT_EQ(model->MeshCount(), 4);
  EXPECT_EQ(model->VertexCount, 18);
  EXPECT_EQ(model->IndexElementCount, 18u);
  EXPECT_EQ(model->FVF, 0x152u);
  EXPECT_EQ(model->VertexSize(), 36u);

  const std::vector<BufferVertex> vertices = Vertices(*model);
  std::uint32_t first = 0;
  for (int m = 0; m < 4; ++m) {
    SCOPED_TRACE(testing::Message() << "mesh " << m);
    const DxgMesh& source = file.levels[0].meshes[static_cast<std::size_t>(m)];
    const TDXGMesh& record = *model->GetMesh(m);
    EXPECT_EQ(record.FirstVertex, first);
    EXPECT_EQ(record.FirstIndex, first);
    EXPECT_EQ(record.VertexCount, source.vertexCount);
    EXPECT_EQ(record.IndexCount, source.indices.size());
    ASSERT_TRUE(record.Material);
    EXPECT_EQ(record.Material->Name, m % 2 == 0 ? "one.dxm" : "two.dxm");  // material 2 is name 0
    // Quantised meshes lose what their steps cannot hold.
    const bool compressed = source.compressed();
    const std::vector<DxgVertex> expected = Ramp(source.vertexCount);
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const BufferVertex& v = vertices[first + i];
      ExpectNear(v.position, expected[i].position, compressed ? 1e-4f : 1e-6f);
      ExpectNear(v.normal, expected[i].normal, compressed ? 0.02f : 1e-6f);
      EXPECT_NEAR(v.u, expected[i].u, compressed ? 2e-3f : 1e-6f);
      EXPECT_NEAR(v.v, expected[i].v, compressed ? 2e-3f : 1e-6f);
    }
    first += source.vertexCount;
  }
  EXPECT_EQ(model->GetMesh(4), nullptr);
  // The indices count from each mesh's first vertex.
  const std::vector<std::uint16_t> indices = Indices(*model);
  EXPECT_EQ(indices[5], 0);
  EXPECT_EQ(indices[10], 5);
  // Only the mesh with slots gives them; the others point at slot 0.
  std::vector<std::uint8_t> slots(18, 0);
  for (int i = 5; i < 11; ++i)
    slots[i] = 1;
  EXPECT_EQ(model->VertexBoneSlots(), slots);
  EXPECT_EQ(model->PaletteLength(), 3u);
  const DxgBounds bounds = DxgModelBounds(file);
  ExpectNear(model->BoundingBox().Min, bounds.min, 1e-4f);
  ExpectNear(model->BoundingBox().Max, bounds.max, 1e-4f);
  ExpectNear(bounds.min, {0, -0.25f, -0.15f}, 1e-4f);
  ExpectNear(bounds.max, {0.5f, 0, -0.05f}, 1e-4f);
}

TEST(DxgModel, ReadsTheHeaderFieldsAsTheFormatDefinesThem) {
  ModelRig rig;
  DxgFile base;
  base.materialNames = {"one.dxm", "two.dxm", "blank.dxm"};
  base.levels[0].meshes = {MeshOf(Quad(0, 0), 0)};
  struct Magic {
    std::array<char, 4> bytes;
    bool loads;
  };
  for (const Magic m : {Magic{{'D', 'X', 'G', 0}, true}, Magic{{'d', 'x', 'g', 0}, true},
                        Magic{{'d', 'X', 'g', 0}, true}, Magic{{'d', 'x', 'g', 'x'}, false},
                        Magic{{'d', 'x', 0, 0}, false}, Magic{{'x', 'd', 'g', 0}, false}}) {
    DxgFile file = base;
    file.magic = m.bytes;
    rig.Load(WriteDxgFile(file), m.loads);
  }

  // A material index of M + 2 names material 2; the event may replace the name.
  std::vector<std::string> names;
  DxgFile file = base;
  file.levels[0].meshes[0].materialIndex = 5;
  file.levels[0].meshes.push_back(MeshOf(Quad(0, 0), 0, 1));
  auto model = rig.Make();
  model->OnMaterialName = [&](TDXGmodel&, std::string& name) {
    names.push_back(name);
    if (name == "two.dxm") name = "missing.dxm";
  };
  MemoryStream stream(WriteDxgFile(file));
  ASSERT_TRUE(model->LoadFromStream(rig.rec.panel(), &stream));
  EXPECT_EQ(names, (std::vector<std::string>{"blank.dxm", "two.dxm"}));
  EXPECT_EQ(model->GetMesh(0)->Material->Name, "blank.dxm");
  EXPECT_FALSE(model->GetMesh(1)->Material);  // a material that does not load leaves none

  // No stream, or no panel.
  EXPECT_FALSE(rig.Make()->LoadFromStream(rig.rec.panel(), nullptr));
  MemoryStream again(WriteDxgFile(base));
  EXPECT_FALSE(rig.Make()->LoadFromStream(nullptr, &again));
}

TEST(DxgModel, MeshesWithoutVerticesOrNamesStillLoad) {
  ModelRig rig;
  // No material names: the meshes stay without materials. A mesh with indices but no vertices adds
  // nothing to the buffers, and its indices are stepped over so that the next mesh reads right.
  DxgFile file;
  DxgMesh empty = MeshOf(Quad(0, 0), 0);
  empty.vertexCount = 0;
  empty.vertexBlock.clear();
  file.levels[0].meshes = {MeshOf(Quad(0, 0), 0), empty, MeshOf(Quad(5, 5), 0)};
  const auto model = rig.Load(file);
  ASSERT_EQ(model->MeshCount(), 3);
  EXPECT_EQ(model->VertexCount, 8);
  EXPECT_EQ(model->GetMesh(1)->VertexCount, 0u);
  EXPECT_EQ(model->GetMesh(1)->IndexCount, 4u);
  EXPECT_EQ(model->GetMesh(2)->FirstVertex, 4u);
  EXPECT_EQ(model->GetMesh(2)->FirstIndex, 4u);
  ExpectNear(Vertices(*model)[4].position, {5, 5, 0.5f});
  for (int i = 0; i < 3; ++i)
    EXPECT_FALSE(model->GetMesh(i)->Material);
  rig.rec.log().Clear();
  model->RenderAt({0, 0, 0});
  EXPECT_TRUE(rig.rec.log().Matching("DrawIndexedPrimitive").empty());
}

TEST(DxgModel, ScalesLevelsAndQuantisedPositions) {
  ModelRig rig;
  // Scale count 0: every scale is 1.0. Count 5: the fourth and fifth are read and ignored.
  DxgFile file;
  file.materialNames = {"one.dxm"};
  std::vector<DxgVertex> v = Ramp(3);
  file.levels[0].meshes = {MeshOf(v, kDxgCompressed, 0, {}, 0.2f),
                           MeshOf(v, kDxgCompressed, 0, {10, 0.5f, 4, 99, 98}, 2.0f),
                           MeshOf(v, 0, 0, {7, 7, 7, 7, 7})};
  auto model = rig.Load(file);
  std::vector<BufferVertex> out = Vertices(*model);
  ASSERT_EQ(out.size(), 9u);
  for (int i = 0; i < 3; ++i) {
    // Without bones the quantised positions are scaled by 0.2 x the mesh's position scale.
    ExpectNear(out[i].position, v[i].position, 1e-4f);
    ExpectNear(out[3 + i].position, v[i].position, 1e-3f);
    EXPECT_NEAR(out[3 + i].u, v[i].u, 3e-3f);
    ExpectNear(out[6 + i].position, v[i].position, 0);
  }
  // Bone 0's position scale wins over the mesh's when the model has bones.
  const std::vector<std::uint8_t> block = file.levels[0].meshes[0].vertexBlock;
  file.bones = {BoneAt("root", -1, {0, 0, 0})};
  file.bones[0].positionScale = 0.4f;
  model = rig.Load(file);
  out = Vertices(*model);
  EXPECT_NEAR(out[2].position.x, 2 * v[2].position.x, 1e-4f);
  EXPECT_NEAR(out[5].position.x, 0.2f * v[2].position.x, 1e-4f);

  // Level counts 0 and 1 skip nothing; with three levels the meshes of levels 1 and 2 are skipped whole,
  // and what follows them (the palette) is read in its place.
  for (std::uint8_t levels : {0, 1, 3}) {
    DxgFile leveled = RichModel();
    leveled.levelCount = levels;
    leveled.levels.resize(std::max<std::size_t>(1, levels));
    const auto loaded = rig.Load(leveled);
    EXPECT_EQ(loaded->MeshCount(), 4) << int(levels);
    EXPECT_EQ(loaded->PaletteLength(), 3u);
    EXPECT_EQ(loaded->BonePalette()[1], 2);
  }
}

TEST(DxgModel, CompletesAShortPalette) {
  ModelRig rig;
  DxgFile file;
  for (int i = 0; i < 50; ++i)
    file.bones.push_back(BoneAt("b" + std::to_string(i), i - 1, {0, 0, 0}));
  file.materialNames = {"one.dxm"};
  file.levels[0].meshes = {MeshOf(Quad(0, 0, 1), kDxgBoneSlots), MeshOf(Quad(0, 0, 2), kDxgBoneSlots),
                           MeshOf(Quad(0, 0, 3), kDxgBoneSlots), MeshOf(Quad(0, 0, 250), kDxgBoneSlots)};

  // A palette that lists every bone (K >= B) keeps every slot.
  file.palette.assign(50, 0);
  auto model = rig.Load(file);
  EXPECT_EQ(model->VertexBoneSlots(),
            (std::vector<std::uint8_t>{1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 250, 250, 250, 250}));

  // K < B: the fixed list follows the file's slots; mesh 1 moves K further, meshes 2 on K + 9 (wrapping).
  file.palette = {4, 5, 6, 7, 8, 9, 10};
  model = rig.Load(file);
  EXPECT_EQ(model->VertexBoneSlots(),
            (std::vector<std::uint8_t>{1, 1, 1, 1, 9, 9, 9, 9, 19, 19, 19, 19, 10, 10, 10, 10}));
  const auto& palette = model->BonePalette();
  EXPECT_EQ(
      std::vector<std::uint8_t>(palette.begin(), palette.begin() + 20),
      (std::vector<std::uint8_t>{4, 5, 6, 7, 8, 9, 10, 7, 8, 10, 12, 25, 32, 37, 41, 42, 25, 32, 41, 42}));
  TDXGBone bone;
  model->GetBone(4, bone);
  EXPECT_EQ(bone.InPalette, 1);
  model->GetBone(11, bone);
  EXPECT_EQ(bone.InPalette, 0);  // the completion marks no bone
}

TEST(DxgModel, RefusesMalformedModelsWithoutReadingPastThem) {
  ModelRig rig;
  const std::vector<std::uint8_t> good = WriteDxgFile(RichModel());
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Case> cases;
  auto patched = [&](std::size_t at, std::uint32_t value) {
    std::vector<std::uint8_t> b = good;
    StoreU32(b.data() + at, value);
    return b;
  };
  const std::size_t names = 12 + 3 * 224;
  const std::size_t meshCount = names + 4 + 2 * 64 + 4 + 4;
  cases.push_back({"bone count past the end", patched(8, 0x01000000)});
  cases.push_back({"name count past the end", patched(names, 0x00FFFFFF)});
  cases.push_back({"mesh count past the end", patched(meshCount, 100)});
  cases.push_back({"scale count past the end", patched(meshCount + 12, 0x40000000)});
  for (std::size_t cut : {std::size_t{3}, std::size_t{20}, meshCount + 30, good.size() - 40, good.size() - 1})
    cases.push_back({"cut short", std::vector<std::uint8_t>(
                                      good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut))});
  DxgFile many;
  many.materialNames = {"one.dxm"};
  many.levels[0].meshes.assign(101, MeshOf(Quad(0, 0), 0));
  cases.push_back({"101 meshes", WriteDxgFile(many)});
  DxgFile longPalette = RichModel();
  longPalette.palette.assign(257, 0);
  cases.push_back({"257 palette slots", WriteDxgFile(longPalette)});
  DxgFile noRoom = RichModel();
  for (int i = 0; i < 250; ++i)
    noRoom.bones.push_back(BoneAt("x", 0, {}));
  noRoom.palette.assign(244, 0);  // 244 + 13 > 256
  cases.push_back({"no room for the completion", WriteDxgFile(noRoom)});
  DxgFile emptyLevels = RichModel();
  emptyLevels.levels.resize(1);  // levels 1 and 2 are written without meshes
  cases.push_back({"level mesh count past the end", WriteDxgFile(emptyLevels)});
  StoreU32(cases.back().bytes.data() + cases.back().bytes.size() - 3 - 4 - 4 - 4, 1000);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THROW(ParseDxgFile(c.bytes), DxgFileError);
    rig.Load(c.bytes, false);
  }
  // The edge that still fits: 100 meshes and a palette of 243 + 13 slots.
  many.levels[0].meshes.resize(100);
  EXPECT_EQ(rig.Load(WriteDxgFile(many))->MeshCount(), 100);
  noRoom.palette.assign(243, 0);
  rig.Load(WriteDxgFile(noRoom));
}

TEST(DxgModel, SkinsEachVertexByItsBoneWithTheHookedMatrix) {
  ModelRig rig;
  DxgFile file;
  file.bones = {BoneAt("hips", -1, {1, 0, 0}), BoneAt("arm", 0, {0, 2, 0})};
  file.materialNames = {"one.dxm"};
  file.levels[0].meshes = {MeshOf(Quad(0, 0, 0), kDxgBoneSlots), MeshOf(Quad(0, 0, 1), kDxgBoneSlots)};
  file.palette = {0, 1};
  auto model = rig.Load(file);
  const std::vector<D3DXVECTOR3> rest = model->Positions;

  // Hook the hips: moved 5 along z. The arm, listed after its parent, follows.
  std::vector<std::int32_t> raised;
  model->OnBoneTransform = [&](TDXGmodel& sender, D3DXMATRIX& world, std::int32_t bone) {
    EXPECT_EQ(&sender, model.get());
    raised.push_back(bone);
    if (bone == 0) world = world * MatrixTranslation(0, 0, 5);
  };
  ComPtr<IDirect3DVertexBuffer8> target;
  model->UpdateVertices(model->VertexBuffer.Get(), target);
  EXPECT_EQ(target.Get(), model->VertexBuffer.Get());
  EXPECT_EQ(raised, (std::vector<std::int32_t>{0, 1}));
  const std::vector<BufferVertex> skinned = Vertices(*model);
  for (int i = 0; i < 4; ++i) {
    ExpectNear(skinned[i].position, rest[i] + Vector3{1, 0, 5});
    ExpectNear(skinned[4 + i].position, rest[4 + i] + Vector3{1, 2, 5});
    ExpectNear(skinned[i].normal, {0, 0, -1});  // normals stay as loaded
  }
  TDXGBone arm;
  model->GetBone(1, arm);
  EXPECT_EQ(arm.World, MatrixTranslation(1, 2, 5));

  // A model whose vertices carry no slots keeps its loaded positions.
  file.levels[0].meshes = {MeshOf(Quad(3, 0), 0)};
  auto plain = rig.Load(file);
  plain->OnBoneTransform = [](TDXGmodel&, D3DXMATRIX& world, std::int32_t) {
    world = MatrixTranslation(9, 9, 9);
  };
  plain->UpdateVertices(plain->VertexBuffer.Get(), target);
  ExpectNear(Vertices(*plain)[1].position, {4, 0, 0.5f});

  // The OnUpdateVertices event replaces the whole update.
  int replaced = 0;
  model->OnUpdateVertices = [&](IDirect3DVertexBuffer8*, ComPtr<IDirect3DVertexBuffer8>&) { ++replaced; };
  raised.clear();
  model->UpdateVertices(model->VertexBuffer.Get(), target);
  EXPECT_EQ(replaced, 1);
  EXPECT_TRUE(raised.empty());
}

TEST(DxgModel, SlotsThatNameNoBoneLeaveTheirVerticesAlone) {
  ModelRig rig;
  DxgFile file;
  file.bones = {BoneAt("only", 7, {0, 1, 0})};  // a parent outside the skeleton counts as none
  file.materialNames = {"one.dxm"};
  file.levels[0].meshes = {MeshOf(Quad(0, 0, 0), kDxgBoneSlots), MeshOf(Quad(0, 0, 1), kDxgBoneSlots)};
  file.palette = {0, 200};
  auto model = rig.Load(file);
  ComPtr<IDirect3DVertexBuffer8> target;
  model->UpdateVertices(model->VertexBuffer.Get(), target);
  const std::vector<BufferVertex> v = Vertices(*model);
  ExpectNear(v[0].position, model->Positions[0] + Vector3{0, 1, 0});
  ExpectNear(v[4].position, model->Positions[4]);
}

namespace {

const char* const kOnePass[] = {
    "SetRenderState(D3DRS_CULLMODE, 1)",
    "SetRenderState(D3DRS_ALPHAFUNC, 7)",
    "SetRenderState(D3DRS_ALPHATESTENABLE, 1)",
    "SetRenderState(D3DRS_ALPHAREF, 128)",
    "SetRenderState(D3DRS_TEXTUREFACTOR, 2153133074)",
    "SetTexture(0, tex1)",
    "SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0)",
    "SetTextureStageState(0, D3DTSS_MAGFILTER, 0)",
    "SetTextureStageState(0, D3DTSS_COLOROP, 2)",
    "SetTextureStageState(0, D3DTSS_COLORARG1, 2)",
    "SetTextureStageState(0, D3DTSS_ALPHAOP, 2)",
    "SetTextureStageState(0, D3DTSS_ALPHAARG1, 2)",
    "SetTextureStageState(1, D3DTSS_COLOROP, 1)",
    "SetTextureStageState(1, D3DTSS_ALPHAOP, 1)",
    "SetTexture(1, null)",
    "SetTexture(2, null)",
    "SetRenderState(D3DRS_SRCBLEND, 5)",
    "SetRenderState(D3DRS_DESTBLEND, 6)",
    "SetRenderState(D3DRS_ALPHATESTENABLE, 1)",
    "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
    "SetIndices(ib3, 0)",
    "SetStreamSource(0, vb3, 36)",
    "SetVertexShader(338)",
    "DrawIndexedPrimitive(5, 0, 4, 0, 2)",
};

const char* const kTwoPass[] = {
    "SetRenderState(D3DRS_CULLMODE, 1)",
    "SetRenderState(D3DRS_ALPHAFUNC, 7)",
    "SetRenderState(D3DRS_ALPHATESTENABLE, 1)",
    "SetRenderState(D3DRS_ALPHAREF, 128)",
    "SetRenderState(D3DRS_TEXTUREFACTOR, 2153133074)",
    "SetTexture(0, tex2)",
    "SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0)",
    "SetTextureStageState(0, D3DTSS_MAGFILTER, 1)",
    "SetTextureStageState(0, D3DTSS_COLOROP, 4)",
    "SetTextureStageState(0, D3DTSS_COLORARG1, 2)",
    "SetTextureStageState(0, D3DTSS_COLORARG2, 3)",
    "SetTextureStageState(0, D3DTSS_ALPHAOP, 4)",
    "SetTextureStageState(0, D3DTSS_ALPHAARG1, 2)",
    "SetTextureStageState(0, D3DTSS_ALPHAARG2, 3)",
    "SetTextureStageState(1, D3DTSS_COLOROP, 1)",
    "SetTextureStageState(1, D3DTSS_ALPHAOP, 1)",
    "SetTexture(1, tex1)",
    "SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0)",
    "SetTextureStageState(1, D3DTSS_MAGFILTER, 1)",
    "SetTextureStageState(1, D3DTSS_COLOROP, 16)",
    "SetTextureStageState(1, D3DTSS_COLORARG1, 1)",
    "SetTextureStageState(1, D3DTSS_COLORARG2, 2)",
    "SetTextureStageState(1, D3DTSS_ALPHAOP, 3)",
    "SetTextureStageState(1, D3DTSS_ALPHAARG1, 1)",
    "SetTextureStageState(1, D3DTSS_ALPHAARG2, 2)",
    "SetTextureStageState(3, D3DTSS_COLOROP, 1)",
    "SetTextureStageState(3, D3DTSS_ALPHAOP, 1)",
    "SetRenderState(D3DRS_SRCBLEND, 5)",
    "SetRenderState(D3DRS_DESTBLEND, 6)",
    "SetRenderState(D3DRS_ALPHATESTENABLE, 1)",
    "SetRenderState(D3DRS_ALPHABLENDENABLE, 1)",
    "SetIndices(ib3, 4)",
    "SetStreamSource(0, vb3, 36)",
    "SetVertexShader(338)",
    "DrawIndexedPrimitive(5, 0, 6, 4, 4)",
};

// Two meshes: a one-pass quad, then a two-pass strip of six vertices; a third mesh without material.
DxgFile TwoMaterials() {
  DxgFile file;
  file.bones = {BoneAt("root", -1, {0, 0, 0})};
  file.materialNames = {"one.dxm", "two.dxm", "missing.dxm"};
  file.levels[0].meshes = {MeshOf(Quad(0, 0), 0, 0), MeshOf(Ramp(6), 0, 1), MeshOf(Quad(2, 2), 0, 2)};
  return file;
}

}  // namespace

TEST(DxgModel, RenderAtSetsTheWorldThenDrawsEachMeshWithItsStages) {
  ModelRig rig;
  auto model = rig.Load(TwoMaterials());
  model->SetColor(0x00123456);  // red 0x56, green 0x34, blue 0x12
  model->OnWorldMatrix = [](TDXGmodel&, D3DXMATRIX& world) { world = MatrixTranslation(0, 10, 0); };
  model->OnTextureFactor = [](TDXGmodel&, D3DCOLOR& colour) {
    EXPECT_EQ(colour, 0xFF000000u);
    colour = 0x80000000u;  // the mud slider's alpha
  };
  rig.rec.log().Clear();
  model->RenderAt({1, 2, 3});

  std::vector<std::string> lines = rig.rec.log().Lines();
  ASSERT_GE(lines.size(), 3u);
  // World = R x S x T x W0 with R and S the identity here.
  EXPECT_EQ(lines[0], "SetTransform(D3DTS_WORLD, [1 0 0 0 | 0 1 0 0 | 0 0 1 0 | 1 12 3 1])");
  EXPECT_EQ(lines[1], "vb3.Lock(0, 0, 0)");
  EXPECT_EQ(lines[2], "vb3.Unlock()");
  std::vector<std::string> expected(std::begin(kOnePass), std::end(kOnePass));
  expected.insert(expected.end(), std::begin(kTwoPass), std::end(kTwoPass));
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()), expected);
}

TEST(DxgModel, AFailedCallEndsOnlyItsMesh) {
  ModelRig rig;
  auto model = rig.Load(TwoMaterials());
  model->SetColor(0x00123456);
  model->OnTextureFactor = [](TDXGmodel&, D3DCOLOR& colour) { colour = 0x80000000u; };
  for (const char* failing :
       {"SetRenderState(D3DRS_TEXTUREFACTOR", "SetIndices", "SetStreamSource", "SetVertexShader"}) {
    SCOPED_TRACE(failing);
    rig.rec.log().Clear();
    rig.rec.log().ClearFailures();
    rig.rec.log().Fail(failing, D3DERR_INVALIDCALL, 1);
    model->RenderAt({0, 0, 0});
    const std::vector<std::string> draws = rig.rec.log().Matching("DrawIndexedPrimitive");
    EXPECT_EQ(draws, (std::vector<std::string>{"DrawIndexedPrimitive(5, 0, 6, 4, 4)"}));
    // The stage states of the failed mesh are still set; only the calls after the failure are skipped.
    EXPECT_EQ(rig.rec.log().Matching("SetRenderState(D3DRS_ALPHABLENDENABLE").size(), 2u);
  }
}

// Lit, each mesh multiplies its material's colour by the lit vertex colour in the stage after the
// material's, and switches that stage off again once drawn.
TEST(DxgModel, ALitModelShadesEachMeshInTheStageAfterItsMaterials) {
  ModelRig rig;
  auto model = rig.Load(TwoMaterials());
  model->SetColor(0x00123456);
  model->OnTextureFactor = [](TDXGmodel&, D3DCOLOR& colour) { colour = 0x80000000u; };
  model->Lit = true;
  rig.rec.log().Clear();
  model->RenderAt({0, 0, 0});
  const auto litStage = [](const char* stage) {
    const std::string s(stage);
    return std::vector<std::string>{"SetTextureStageState(" + s + ", D3DTSS_COLOROP, 4)",
                                    "SetTextureStageState(" + s + ", D3DTSS_COLORARG1, 1)",
                                    "SetTextureStageState(" + s + ", D3DTSS_COLORARG2, 0)",
                                    "SetTextureStageState(" + s + ", D3DTSS_ALPHAOP, 2)",
                                    "SetTextureStageState(" + s + ", D3DTSS_ALPHAARG1, 1)"};
  };
  const auto unlit = [](const std::vector<std::string>& stages, const char* stage) {
    std::vector<std::string> out = stages;
    const std::string s(stage);
    out.push_back("SetTextureStageState(" + s + ", D3DTSS_COLOROP, 1)");
    out.push_back("SetTextureStageState(" + s + ", D3DTSS_ALPHAOP, 1)");
    return out;
  };
  std::vector<std::string> onePass(std::begin(kOnePass), std::end(kOnePass));
  std::vector<std::string> twoPass(std::begin(kTwoPass), std::end(kTwoPass));
  // Before the blend states, which follow the stages.
  const auto insertBeforeBlend = [](std::vector<std::string>& mesh, const std::vector<std::string>& lines) {
    const auto at = std::find(mesh.begin(), mesh.end(), "SetRenderState(D3DRS_SRCBLEND, 5)");
    mesh.insert(at, lines.begin(), lines.end());
  };
  insertBeforeBlend(onePass, litStage("1"));
  insertBeforeBlend(twoPass, litStage("2"));
  std::vector<std::string> expected = unlit(onePass, "1");
  const std::vector<std::string> second = unlit(twoPass, "2");
  expected.insert(expected.end(), second.begin(), second.end());
  const std::vector<std::string> lines = rig.rec.log().Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()), expected);

  // Unlit again: the material's stages alone.
  model->Lit = false;
  rig.rec.log().Clear();
  model->RenderAt({0, 0, 0});
  EXPECT_TRUE(rig.rec.log().Matching("D3DTSS_COLORARG2, 0)").empty());
}

TEST(DxgModel, SetColorWritesEveryDiffuseOnlyWhenItChanges) {
  ModelRig rig;
  auto model = rig.Make();
  model->SetColor(0x00ABCDEF);  // before loading: the colour goes into the vertices as they are read
  MemoryStream stream(WriteDxgFile(TwoMaterials()));
  ASSERT_TRUE(model->LoadFromStream(rig.rec.panel(), &stream));
  for (const BufferVertex& v : Vertices(*model))
    ASSERT_EQ(v.diffuse, 0x00ABCDEFu);
  rig.rec.log().Clear();
  model->SetColor(0x00ABCDEF);
  EXPECT_TRUE(rig.rec.log().Lines().empty());
  model->SetColor(0x00010203);
  EXPECT_EQ(rig.rec.log().Matching("vb").size(), 2u);
  for (const BufferVertex& v : Vertices(*model))
    ASSERT_EQ(v.diffuse, 0x00010203u);
}
