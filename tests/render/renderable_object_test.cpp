#include "render/renderable_object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "render/testing/recording_device.h"
#include "render/view_panel.h"

using namespace dravo;

namespace {

class CountingPrompter : public TDXPrompter {
 public:
  std::vector<std::pair<std::string, std::string>> shown;
  TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgButtons, TMsgIcon) override {
    shown.emplace_back(text, caption);
    return TMsgAnswer::Ok;
  }
};

class TestObject : public TDX8Object {
 public:
  using TDX8Object::TDX8Object;
  std::vector<int> preparedTags;
  bool LoadFromStream(TVellDXPanel*, MemoryStream*) override { return false; }
  bool LoadFromStream(TVellDXPanel*, MemoryStream*, std::int32_t) override { return false; }
  void PrepareSubset(std::uint8_t tag) override { preparedTags.push_back(tag); }
};

// Vertices of FVF 0x152 (36 bytes) whose position is (i, 2i, 3i) for vertex i.
void WriteVertex(BYTE* at, int i) {
  const float p[3] = {static_cast<float>(i), 2.0f * i, 3.0f * i};
  std::memset(at, 0, 36);
  std::memcpy(at, p, sizeof p);
}

class ObjectTest : public ::testing::Test {
 protected:
  std::shared_ptr<TCallLog> log = std::make_shared<TCallLog>();
  CountingPrompter prompter;
  TVellDXPanel panel{[this](UINT) { return std::make_unique<TRecordingDirect3D>(log); }, &prompter};
  TestObject object{&panel};
  int fills = 0;

  void SetUp() override {
    panel.Initialise();
    ASSERT_NE(panel.Device(), nullptr);
    log->Clear();
    object.FVF = 0x152;
    object.OnFillVertices = [this](TDX8Object&, BYTE* at, std::int32_t& count) {
      WriteVertex(at, fills++);
      count = 1;
      return true;
    };
    object.OnFillIndices = [](TDX8Object& o, BYTE* at, std::int32_t& count) {
      std::memset(at, 0, o.IndicesPerElement * 2u);
      count = 1;
      return true;
    };
  }
};

TEST_F(ObjectTest, VertexSizeCountsTheFormatBits) {
  struct Case {
    DWORD fvf;
    UINT size;
  };
  for (const Case& c : {Case{0x152, 36}, Case{0x302, 36}, Case{0x202, 28}, Case{0x2 | 0x80, 16}}) {
    object.FVF = c.fvf;
    EXPECT_EQ(object.VertexSize(), c.size) << std::hex << c.fvf;
  }
  EXPECT_TRUE(prompter.shown.empty());
  object.FVF = 0;
  EXPECT_EQ(object.VertexSize(), 0u);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0], std::make_pair(std::string("FVF is zero"), std::string("FVF Error")));
}

TEST_F(ObjectTest, CreateVerticesFillsLocksAndCopiesPositions) {
  ASSERT_TRUE(object.CreateVertices(4));
  EXPECT_EQ(object.VertexCount, 4);
  EXPECT_EQ(fills, 4);
  ASSERT_EQ(object.Positions.size(), 4u);
  EXPECT_EQ(object.Positions[3], (D3DXVECTOR3{3, 6, 9}));
  EXPECT_EQ(log->Text(), "CreateVertexBuffer(144, 8, 338, 0)\nvb1.Lock(0, 0, 0)\nvb1.Unlock()");
}

TEST_F(ObjectTest, ACallbackThatWritesSeveralElementsIsCalledOnce) {
  int calls = 0;
  object.OnFillVertices = [&](TDX8Object&, BYTE* at, std::int32_t& count) {
    ++calls;
    for (int i = 0; i < 3; ++i)
      WriteVertex(at + 36 * i, 10 + i);
    count = 3;
    return true;
  };
  ASSERT_TRUE(object.CreateVertices(3));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(object.Positions[2], (D3DXVECTOR3{12, 24, 36}));
}

TEST_F(ObjectTest, AStoppedFillKeepsTheCountButStillCopiesPositions) {
  object.OnFillVertices = [this](TDX8Object&, BYTE* at, std::int32_t&) {
    WriteVertex(at, 7);
    return ++fills < 2;
  };
  object.CreateVertices(3);
  EXPECT_EQ(object.VertexCount, 0);
  ASSERT_EQ(object.Positions.size(), 3u);
  EXPECT_EQ(object.Positions[0], (D3DXVECTOR3{7, 14, 21}));
  EXPECT_NE(object.VertexBuffer, nullptr);

  // A missing callback stops at once.
  object.OnFillVertices = nullptr;
  object.CreateVertices(2);
  EXPECT_EQ(object.VertexCount, 0);
}

TEST_F(ObjectTest, ACallbackClaimingNoElementsStopsInsteadOfLoopingForEver) {
  int calls = 0;
  object.OnFillVertices = [&](TDX8Object&, BYTE*, std::int32_t& count) {
    count = 0;
    return ++calls < 1000;
  };
  object.CreateVertices(2);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(object.VertexCount, 0);
}

TEST_F(ObjectTest, AddVerticesGrowsTheBufferKeepingOldVerticesAndPositions) {
  ASSERT_TRUE(object.CreateVertices(2));
  ASSERT_TRUE(object.AddVertices(3));
  EXPECT_EQ(object.VertexCount, 5);
  ASSERT_EQ(object.Positions.size(), 5u);
  EXPECT_EQ(object.Positions[1], (D3DXVECTOR3{1, 2, 3}));
  EXPECT_EQ(object.Positions[4], (D3DXVECTOR3{4, 8, 12}));
  BYTE* data = nullptr;
  ASSERT_EQ(object.VertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  float x;
  std::memcpy(&x, data + 36 * 1, 4);
  EXPECT_EQ(x, 1.0f);
  std::memcpy(&x, data + 36 * 4, 4);
  EXPECT_EQ(x, 4.0f);
  object.VertexBuffer->Unlock();
  EXPECT_NE(log->Text().find("vb1.Destroyed()"), std::string::npos);

  // Adding nothing copies into a buffer of the same size.
  log->Clear();
  ASSERT_TRUE(object.AddVertices(0));
  EXPECT_EQ(object.VertexCount, 5);
  EXPECT_EQ(log->Matching("CreateVertexBuffer("),
            (std::vector<std::string>{"CreateVertexBuffer(180, 8, 338, 0)"}));

  // A negative count is refused and the buffer stays.
  EXPECT_FALSE(object.AddVertices(-2));
  EXPECT_EQ(object.VertexCount, 5);
  EXPECT_NE(object.VertexBuffer, nullptr);
}

TEST_F(ObjectTest, AFailedBufferCreationLeavesTheObjectWithoutABuffer) {
  ASSERT_TRUE(object.CreateVertices(2));
  log->Fail("CreateVertexBuffer(", D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_FALSE(object.AddVertices(2));
  EXPECT_EQ(object.VertexBuffer, nullptr);
  EXPECT_FALSE(object.CreateVertices(2));
  EXPECT_EQ(object.VertexBuffer, nullptr);
  // A count whose byte size does not fit a buffer is refused before anything is made.
  log->ClearFailures();
  log->Clear();
  EXPECT_FALSE(object.CreateVertices(0x80000000u));
  EXPECT_TRUE(log->Matching("CreateVertexBuffer(").empty());
}

TEST_F(ObjectTest, IndicesAreFilledByElementAndGrown) {
  object.IndicesPerElement = 1;
  ASSERT_TRUE(object.CreateIndices(4));
  EXPECT_EQ(object.IndexElementCount, 4u);
  ASSERT_TRUE(object.AddIndices(2));
  EXPECT_EQ(object.IndexElementCount, 6u);
  EXPECT_EQ(
      log->Matching("CreateIndexBuffer("),
      (std::vector<std::string>{"CreateIndexBuffer(8, 8, 101, 0)", "CreateIndexBuffer(12, 8, 101, 0)"}));
}

TEST_F(ObjectTest, UntexturedDrawDrawsAllTriangles) {
  ASSERT_TRUE(object.CreateVertices(3));
  ASSERT_TRUE(object.CreateIndices(1));
  log->Clear();
  object.Render();
  EXPECT_EQ(log->Text(),
            "SetIndices(ib1, 0)\nSetStreamSource(0, vb1, 36)\nSetVertexShader(338)\n"
            "DrawIndexedPrimitive(4, 0, 3, 0, 1)");
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(ObjectTest, AFailedStepShowsABoxForEachStepItSkips) {
  ASSERT_TRUE(object.CreateVertices(3));
  ASSERT_TRUE(object.CreateIndices(1));
  log->Fail("SetIndices(", D3DERR_INVALIDCALL);
  object.Draw();
  // Stream, shader and draw are skipped, then the draw reports the subset.
  ASSERT_EQ(prompter.shown.size(), 4u);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(prompter.shown[i],
              std::make_pair(std::string("D3D Result not equal to zero"), std::string("D3DX8 Error")));
  EXPECT_EQ(prompter.shown[3],
            std::make_pair(std::string("Direct3D Rendering error"), std::string("Error.")));
  EXPECT_TRUE(log->Matching("DrawIndexedPrimitive").empty());
}

TEST_F(ObjectTest, TexturedSubsetsDrawTheirRangesWithTheDetailTexture) {
  ASSERT_TRUE(object.CreateVertices(6));
  ASSERT_TRUE(object.CreateIndices(2));
  ComPtr<IDirect3DTexture8> base, detail;
  ASSERT_EQ(panel.Device()->CreateTexture(4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &base), D3D_OK);
  ASSERT_EQ(panel.Device()->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &detail), D3D_OK);
  object.DetailTexture = detail;
  object.Textures->Add({0, 1, 7, 0, base.Get()});
  object.Textures->Add({3, 1, 9, 0, nullptr});
  int updates = 0;
  object.OnUpdateVertices = [&](IDirect3DVertexBuffer8* source, ComPtr<IDirect3DVertexBuffer8>& target) {
    EXPECT_EQ(source, object.VertexBuffer.Get());
    target = source;
    ++updates;
  };
  log->Clear();
  object.RenderAt({1, 2, 3});
  EXPECT_EQ(object.preparedTags, (std::vector<int>{7, 9}));
  EXPECT_EQ(updates, 2);
  const std::vector<std::string> expectedFirst = {
      "SetTransform(D3DTS_WORLD, [1 0 0 0 | 0 1 0 0 | 0 0 1 0 | 1 2 3 1])",
      "SetTexture(0, tex1)",
      "SetIndices(ib1, 0)",
      "SetStreamSource(0, vb1, 36)",
      "SetVertexShader(338)",
      "SetTexture(1, tex2)",
      "SetTextureStageState(0, D3DTSS_MAGFILTER, 2)",
      "SetTextureStageState(0, D3DTSS_MINFILTER, 2)",
      "SetTextureStageState(0, D3DTSS_MIPFILTER, 2)",
      "SetTextureStageState(1, D3DTSS_MAGFILTER, 2)",
      "SetTextureStageState(1, D3DTSS_MINFILTER, 2)",
      "SetTextureStageState(1, D3DTSS_MIPFILTER, 0)",
      "SetTextureStageState(1, D3DTSS_COLOROP, 13)",
      "SetTextureStageState(1, D3DTSS_COLORARG1, 2)",
      "SetTextureStageState(1, D3DTSS_COLORARG2, 1)",
      "DrawIndexedPrimitive(4, 0, 6, 0, 1)",
      "SetTextureStageState(1, D3DTSS_COLOROP, 1)",
  };
  const auto& lines = log->Lines();
  ASSERT_GE(lines.size(), expectedFirst.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + expectedFirst.size()), expectedFirst);
  // The second subset has no texture of its own: no stage-0 texture call, its own range.
  EXPECT_EQ(lines[expectedFirst.size()], "SetIndices(ib1, 0)");
  EXPECT_EQ(log->Matching("DrawIndexedPrimitive").back(), "DrawIndexedPrimitive(4, 0, 6, 3, 1)");
  EXPECT_EQ(lines.back(), "SetTransform(D3DTS_WORLD, [1 0 0 0 | 0 1 0 0 | 0 0 1 0 | 0 0 0 1])");
  // The copies of the records gave their references back.
  EXPECT_EQ(base->AddRef(), 2u + 1u);  // ours, the device's stage 0, this one
  base->Release();
}

TEST_F(ObjectTest, DrawWithoutADeviceRaises) {
  TVellDXPanel noDevice(nullptr, nullptr);
  TestObject orphan(&noDevice);
  try {
    orphan.Draw();
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "DirectX Device is not Defined");
  }
}

TEST_F(ObjectTest, TextureDataOutsideTheListIsAllZero) {
  TTextureList list;
  list.Add({5, 6, 1, 0, nullptr});
  for (int index : {-1, 1}) {
    TTextureData record{9, 9, 9, 1, nullptr};
    list.GetTextureData(index, record);
    EXPECT_EQ(record.StartIndex, 0u);
    EXPECT_EQ(record.PrimitiveCount, 0u);
    EXPECT_EQ(record.SubsetTag, 0);
    EXPECT_EQ(record.OwnsTexture, 0);
    EXPECT_EQ(record.Texture, nullptr);
  }
  TTextureData record;
  list.GetTextureData(0, record);
  EXPECT_EQ(record.PrimitiveCount, 6u);
}

TEST_F(ObjectTest, FreeAllReleasesOwnedTexturesOnlyWhileKelTexturesReleasesAll) {
  ComPtr<IDirect3DTexture8> owned, borrowed;
  panel.Device()->CreateTexture(4, 4, 1, 0, D3DFMT_DXT5, D3DPOOL_MANAGED, &owned);
  panel.Device()->CreateTexture(4, 4, 1, 0, D3DFMT_DXT5, D3DPOOL_MANAGED, &borrowed);
  {
    TTextureList list;
    list.Add({0, 0, 0, 1, owned.Get()});
    list.Add({0, 0, 0, 0, borrowed.Get()});
    owned->AddRef();  // the list's reference
  }
  EXPECT_EQ(owned->RefCount(), 1u);
  EXPECT_EQ(borrowed->RefCount(), 1u);
  {
    TKelTextures list;
    list.Add({0, 0, 0, 0, borrowed.Get()});
    borrowed->AddRef();
    list.Add({0, 0, 0, 1, owned.Get()});
    owned->AddRef();
    list.FreeAll();
    EXPECT_EQ(list.Count(), 0);
  }
  EXPECT_EQ(owned->RefCount(), 1u);
  EXPECT_EQ(borrowed->RefCount(), 1u);
  // The destructor frees what is left through the list's own rule.
  {
    TKelTextures list;
    list.Add({0, 0, 0, 0, borrowed.Get()});
    borrowed->AddRef();
  }
  EXPECT_EQ(borrowed->RefCount(), 1u);
}

}  // namespace
