#include <gtest/gtest.h>

#include <stdexcept>

#include "formats/dxg_model.h"
#include "formats/dxm_text.h"
#include "formats/model_manager.h"
#include "formats/model_plugin.h"
#include "formats/texture_manager.h"
#include "formats/texture_plugin.h"
#include "model_fixtures.h"

using namespace dravo;
using namespace dravo::test;

namespace {

std::vector<std::uint8_t> SmallDxt(std::uint8_t seed = 1) {
  DxtFileLayout layout = DxtWithLevels(kDxtCodeDxt1, 4, 4, {{4, 4}});
  layout.levels[0].bytes = LevelPattern(8, seed);
  return WriteDxtFile(layout);
}

// A plug-in that throws, or answers a code, and counts its calls.
class ScriptedPlugIn : public TRmxGfxPlugIn {
 public:
  ScriptedPlugIn(std::int32_t type, std::int32_t answer, bool throws)
      : m_type(type), m_answer(answer), m_throws(throws) {}
  std::int32_t TypeId() const override { return m_type; }
  std::int32_t Version() const override { return 1; }
  std::int32_t Query(const TPlugInQuery&) const override { return -1; }
  std::int32_t LoadTexture(std::int32_t&, MemoryStream*, ComPtr<IDirect3DTexture8>&) override {
    ++calls;
    if (m_throws) throw std::runtime_error("broken");
    return m_answer;
  }
  int calls = 0;

 private:
  std::int32_t m_type, m_answer;
  bool m_throws;
};

}  // namespace

TEST(TextureManager, SharesOneEntryPerNameWhateverItsCase) {
  TRecordingPanel rec;
  ResourceFolder folder;
  folder.Put("rider01.dxt", SmallDxt());
  TRmxGfxManager manager(&folder.Mount());
  manager.RegisterPlugIn(std::make_unique<TMvAGfxPlugIn>(rec.panel()));

  ComPtr<IDirect3DTexture8> first, second;
  ASSERT_EQ(manager.LoadTexture(2, " rider01.dxt ", first), 0);
  ASSERT_EQ(manager.LoadTexture(2, "Rider01.DXT", second), 0);
  EXPECT_EQ(first.Get(), second.Get());
  ASSERT_EQ(manager.Count(), 1);
  EXPECT_EQ(manager.NameAt(0), "rider01.dxt");
  EXPECT_EQ(manager.EntryAt(0)->UseCount, 2);
  EXPECT_EQ(manager.EntryAt(0)->Format, 38);
  EXPECT_EQ(manager.EntryAt(0)->Flags, 0);

  EXPECT_EQ(manager.ReleaseTexture(first.Get(), false), 0);
  EXPECT_EQ(manager.Count(), 1);
  EXPECT_EQ(manager.ReleaseTextureByName("RIDER01.dxt", false), 0);
  EXPECT_EQ(manager.Count(), 0);
  EXPECT_EQ(manager.ReleaseTexture(first.Get(), false), -1);

  // Force removes an entry whatever its use count.
  ASSERT_EQ(manager.LoadTexture(2, "rider01.dxt", first), 0);
  ASSERT_EQ(manager.LoadTexture(2, "rider01.dxt", first), 0);
  EXPECT_EQ(manager.ReleaseTexture(first.Get(), true), 0);
  EXPECT_EQ(manager.Count(), 0);
  EXPECT_EQ(manager.EntryAt(0), nullptr);
  EXPECT_EQ(manager.NameAt(-1), "");
}

TEST(TextureManager, AsksTheHookFirstAndReportsEveryFailure) {
  TRecordingPanel rec;
  ResourceFolder folder;
  folder.Put("tex.dxt", SmallDxt(1));
  TRmxGfxManager manager(&folder.Mount());
  manager.RegisterPlugIn(std::make_unique<TMvAGfxPlugIn>(rec.panel()));

  std::vector<std::string> asked;
  manager.OnLoadStream = [&](const std::string& name, std::unique_ptr<MemoryStream>& stream) {
    asked.push_back(name);
    if (name != "tex.dxt") return -1;
    stream = std::make_unique<MemoryStream>(SmallDxt(9));
    stream->setPosition(5);  // the manager rewinds it
    return 0;
  };
  ComPtr<IDirect3DTexture8> texture;
  ASSERT_EQ(manager.LoadTexture(2, "tex.dxt", texture), 0);
  D3DLOCKED_RECT locked;
  texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY);
  EXPECT_EQ(std::vector<std::uint8_t>(static_cast<std::uint8_t*>(locked.pBits),
                                      static_cast<std::uint8_t*>(locked.pBits) + 8),
            LevelPattern(8, 9));  // the hook's stream, not the folder's file
  texture->UnlockRect(0);

  // Not found by the hook nor the resource manager: the resource manager's code.
  EXPECT_NE(manager.LoadTexture(2, "missing.dxt", texture), 0);
  EXPECT_FALSE(texture);
  EXPECT_EQ(asked, (std::vector<std::string>{"tex.dxt", "missing.dxt"}));
  // A type no plug-in has.
  manager.OnLoadStream = nullptr;
  folder.Put("other.dxt", SmallDxt(2));
  TRmxGfxManager typed(&folder.Mount());
  typed.RegisterPlugIn(std::make_unique<TMvAGfxPlugIn>(rec.panel()));
  EXPECT_EQ(typed.LoadTexture(3, "other.dxt", texture), -1);
  EXPECT_EQ(typed.Count(), 0);

  TRmxGfxManager withoutResources(nullptr);
  EXPECT_EQ(withoutResources.LoadTexture(2, "tex.dxt", texture), -1);
  EXPECT_EQ(withoutResources.RegisterPlugIn(nullptr), -1);
}

TEST(TextureManager, APlugInThatThrowsCountsAsMinusOneAndTheNextIsTried) {
  TRecordingPanel rec;
  ResourceFolder folder;
  folder.Put("tex.dxt", SmallDxt());
  TRmxGfxManager manager(&folder.Mount());
  auto throwing = std::make_unique<ScriptedPlugIn>(2, 0, true);
  auto otherType = std::make_unique<ScriptedPlugIn>(5, 0, false);
  auto emptyHanded = std::make_unique<ScriptedPlugIn>(2, 0, false);  // success without a texture
  ScriptedPlugIn* throwingP = throwing.get();
  ScriptedPlugIn* otherTypeP = otherType.get();
  ScriptedPlugIn* emptyHandedP = emptyHanded.get();
  manager.RegisterPlugIn(std::move(throwing));
  manager.RegisterPlugIn(std::move(otherType));
  manager.RegisterPlugIn(std::move(emptyHanded));
  ComPtr<IDirect3DTexture8> texture;
  EXPECT_EQ(manager.LoadTexture(2, "tex.dxt", texture), -1);
  EXPECT_EQ(throwingP->calls, 1);
  EXPECT_EQ(otherTypeP->calls, 0);
  EXPECT_EQ(emptyHandedP->calls, 1);
  EXPECT_EQ(manager.Count(), 0);
  manager.RegisterPlugIn(std::make_unique<TMvAGfxPlugIn>(rec.panel()));
  EXPECT_EQ(manager.LoadTexture(2, "tex.dxt", texture), 0);
  EXPECT_EQ(manager.EntryAt(0)->PlugIn->Version(), 256);
}

namespace {

// A game folder of one model with one material and texture, and the managers over it.
struct ModelGame {
  TRecordingPanel rec;
  ResourceFolder folder;
  std::unique_ptr<TRmxGfxManager> textures;
  std::unique_ptr<TRmxObjectManager> models;

  ModelGame() {
    DxgFile file;
    file.bones = {BoneAt("root", -1, {0, 0, 0})};
    file.materialNames = {"skin.dxm"};
    file.levels[0].meshes = {MeshOf(Quad(0, 0), 0)};
    folder.Put("bike.dxg", WriteDxgFile(file));
    folder.Put("broken.dxg", {'d', 'x', 'g', 0, 1});
    folder.PutText("skin.dxm", WriteDxmText({{"skin.tga", {}}}));
    folder.Put("skin.dxt", SmallDxt());
    folder.Mount();
    textures = std::make_unique<TRmxGfxManager>(folder.manager());
    textures->RegisterPlugIn(std::make_unique<TMvAGfxPlugIn>(rec.panel()));
    models = std::make_unique<TRmxObjectManager>(folder.manager());
    models->RegisterPlugIn(std::make_unique<TMvAObjPlugIn>(
        *models, rec.panel(), TMaterialServices{folder.manager(), textures.get()}));
  }
  ~ModelGame() { models.reset(); }  // models give their textures back first
};

}  // namespace

TEST(ModelManager, SharesModelsByNameAndByLocation) {
  ModelGame game;
  std::vector<std::string> created;
  game.models->OnModelCreated = [&](TRmxObjectManager& manager, TDXGmodel& model) {
    EXPECT_EQ(&manager, game.models.get());
    EXPECT_EQ(model.VertexCount, 0);  // announced before it loads
    created.push_back("model");
    model.SetColor(0x00123456);
  };
  TDXGmodel* first = nullptr;
  TDXGmodel* second = nullptr;
  TDXGmodel* third = nullptr;
  ASSERT_EQ(game.models->LoadModel("bike.dxg", first), 0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Color(), 0x00123456u);
  ASSERT_EQ(game.models->LoadModel("BIKE.dxg", second), 0);
  // Another extension is not the listed name, but resolves to the same resource.
  ASSERT_EQ(game.models->LoadModel("bike.slt", third), 0);
  EXPECT_EQ(second, first);
  EXPECT_EQ(third, first);
  EXPECT_EQ(created.size(), 1u);
  ASSERT_EQ(game.models->Count(), 1);
  EXPECT_EQ(game.models->NameAt(0), "bike.dxg");
  TModelEntryCopy entry;
  game.models->EntryCopy(0, entry);
  EXPECT_EQ(entry.Model, first);
  EXPECT_EQ(entry.UseCount, 3);
  EXPECT_EQ(game.models->IndexOfLocation(entry.Folder, entry.Entry), 0);
  EXPECT_EQ(game.models->IndexOfModel(first), 0);
  game.models->EntryCopy(-1, entry);
  EXPECT_EQ(entry.Model, nullptr);
  EXPECT_EQ(entry.UseCount, 0);
  EXPECT_EQ(entry.PlugIn, nullptr);

  // The texture the material loaded is shared through the texture manager until the model goes.
  EXPECT_EQ(game.textures->Count(), 1);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(game.models->ReleaseModel(first), 0);
  EXPECT_EQ(game.models->Count(), 0);
  EXPECT_EQ(game.textures->Count(), 0);
  EXPECT_EQ(game.models->ReleaseModel(first), -1);
  EXPECT_EQ(game.models->ReleaseModel(nullptr), -1);
}

TEST(ModelManager, ReportsModelsThatCannotBeHad) {
  ModelGame game;
  TDXGmodel* model = reinterpret_cast<TDXGmodel*>(1);
  EXPECT_EQ(game.models->LoadModel("broken.dxg", model), -2);
  EXPECT_EQ(model, nullptr);
  EXPECT_EQ(game.models->Count(), 0);
  EXPECT_NE(game.models->LoadModel("absent.dxg", model), 0);
  EXPECT_EQ(model, nullptr);
  TRmxObjectManager empty(game.folder.manager());
  EXPECT_EQ(empty.LoadModel("bike.dxg", model), -2);
  EXPECT_EQ(empty.RegisterPlugIn(nullptr), -1);
}

TEST(ModelManager, FreesModelsStillListedWhenItGoes) {
  ModelGame game;
  TDXGmodel* model = nullptr;
  ASSERT_EQ(game.models->LoadModel("bike.dxg", model), 0);
  EXPECT_EQ(game.textures->Count(), 1);
  game.models.reset();
  EXPECT_EQ(game.textures->Count(), 0);
}
