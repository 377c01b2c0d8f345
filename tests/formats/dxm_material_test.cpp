#include "formats/dxm_material.h"

#include <gtest/gtest.h>

#include "formats/dxm_text.h"
#include "formats/texture_manager.h"
#include "formats/texture_plugin.h"
#include "model_fixtures.h"

using namespace dravo;
using namespace dravo::test;

namespace {

struct MaterialFolder {
  TRecordingPanel rec;
  ResourceFolder folder;
  std::unique_ptr<TRmxGfxManager> textures;

  explicit MaterialFolder(const std::vector<std::string>& textureFiles) {
    for (const std::string& name : textureFiles)
      folder.Put(name, WriteDxtFile(DxtWithLevels(kDxtCodeDxt5, 4, 4, {{4, 4}})));
    folder.Mount();
    textures = std::make_unique<TRmxGfxManager>(folder.manager());
    textures->RegisterPlugIn(std::make_unique<TMvAGfxPlugIn>(rec.panel()));
  }
  TMaterialServices services() { return {folder.manager(), textures.get()}; }
  std::unique_ptr<TDXMmaterial> Parse(const std::string& text, bool* result = nullptr) {
    auto material = std::make_unique<TDXMmaterial>("test.dxg", rec.panel(), services());
    MemoryStream stream(Bytes(text));
    const bool ok = material->LoadFromStream(&stream);
    if (result) *result = ok;
    return material;
  }
};

}  // namespace

TEST(DxmMaterial, ReadsEveryKeyWithItsDefault) {
  MaterialFolder f({});
  const auto material = f.Parse(WriteDxmText({{"", {}}}));
  EXPECT_EQ(material->Name, "test.dxm");
  ASSERT_EQ(material->PassCount, 1);
  const TShaderPass& p = *material->GetPass(0);
  EXPECT_TRUE(p.ZEnable);
  EXPECT_TRUE(p.ZWriteEnable);
  EXPECT_FALSE(p.AlphaBlendEnable);
  EXPECT_EQ(p.AlphaFunc, 8);
  EXPECT_EQ(p.SrcBlend, 2);
  EXPECT_EQ(p.DestBlend, 1);
  EXPECT_EQ(p.MagFilter, 1);
  EXPECT_EQ(p.MinFilter, 1);
  EXPECT_EQ(p.MipFilter, 0);
  EXPECT_EQ(p.AddressU, 1);
  EXPECT_EQ(p.AddressV, 1);
  EXPECT_EQ(p.CullMode, 1);
  EXPECT_EQ(p.TextureCoordinateIndex, 1);
  EXPECT_TRUE(p.Mipmap);
  EXPECT_TRUE(p.TextureMap.empty());
  EXPECT_FALSE(p.Texture);
  EXPECT_EQ(material->GetPass(1), nullptr);
  EXPECT_EQ(material->GetPass(-1), nullptr);

  const auto full = f.Parse(WriteDxmText({{"",
                                           {{"VertexShaderName", std::string(100, 'v')},
                                            {"PixelShaderName", "ps"},
                                            {"TotalTextureMaps", "3"},
                                            {"ZENABLE", "false"},
                                            {"ZWRITEENABLE", "x"},
                                            {"ALPHABLENDENABLE", "TRUE"},
                                            {"ALPHATESTENABLE", "true"},
                                            {"ALPHAREF", "128"},
                                            {"FOGENABLE", "T"},
                                            {"MAGFILTER_0", "D3DTEXF_NONE"},
                                            {"MINFILTER_0", "d3dtexf_linear"},
                                            {"MIPFILTER_0", "D3DTEXF_GAUSSIANCUBIC"},
                                            {"MAXANISOTROPY_0", "4"},
                                            {"ADDRESSU_0", "D3DTADDRESS_CLAMP"},
                                            {"ADDRESSV_0", "D3DTADDRESS_MIRRORONCE"},
                                            {"Culling", "D3DCULL_CCW"},
                                            {"NumAnimators", "2"},
                                            {"TextureCoordinateIndex_1", "0"},
                                            {"Mipmap_1", "FALSE"}}}}));
  const TShaderPass& q = *full->GetPass(0);
  EXPECT_EQ(q.VertexShaderName, std::string(80, 'v'));
  EXPECT_EQ(q.PixelShaderName, "ps");
  EXPECT_EQ(q.TextureMapCount, 3);
  EXPECT_FALSE(q.ZEnable);
  EXPECT_FALSE(q.ZWriteEnable);
  // Blending on: alpha function and blend factors default to 5, 5 and 6.
  EXPECT_EQ(q.AlphaFunc, 5);
  EXPECT_EQ(q.SrcBlend, 5);
  EXPECT_EQ(q.DestBlend, 6);
  EXPECT_TRUE(q.AlphaTestEnable);
  EXPECT_EQ(q.AlphaRef, 128);
  EXPECT_TRUE(q.FogEnable);
  EXPECT_EQ(q.MagFilter, 0);
  EXPECT_EQ(q.MinFilter, 2);
  EXPECT_EQ(q.MipFilter, 5);
  EXPECT_EQ(q.MaxAnisotropy, 4);
  EXPECT_EQ(q.AddressU, 3);
  EXPECT_EQ(q.AddressV, 5);
  EXPECT_EQ(q.CullMode, 3);
  EXPECT_EQ(q.NumAnimators, 2);
  EXPECT_EQ(q.TextureCoordinateIndex, 0);
  EXPECT_FALSE(q.Mipmap);
  EXPECT_EQ(q.TextureTransformFlags, 0);
  EXPECT_EQ(q.VertexShader, 0u);

  // "1" is not true: blending stays off and the defaults are 8, 2 and 1.
  const auto one = f.Parse(WriteDxmText({{"", {{"ALPHABLENDENABLE", "1"}}}}));
  EXPECT_FALSE(one->GetPass(0)->AlphaBlendEnable);
  EXPECT_EQ(one->GetPass(0)->SrcBlend, 2);
  EXPECT_EQ(one->GetPass(0)->DestBlend, 1);

  bool ok = false;
  const auto none = f.Parse("[General]\r\n", &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(none->PassCount, 0);
}

TEST(DxmMaterial, LooksNamesUpBySubstringAndTheByteBefore) {
  struct Case {
    const char* value;
    std::string_view vocabulary;
    std::int32_t expected;
  };
  for (const Case c :
       {Case{"d3dcmp_lessequal", kAlphaFuncNames, 4}, Case{"D3DCMP_LESS", kAlphaFuncNames, 2},
        Case{"D3DCMP_GREATEREQUAL", kAlphaFuncNames, 7}, Case{"BLEND_ONE", kBlendNames, 'D'},
        Case{"D3DBLEND_INVSRCALPHA", kBlendNames, 6}, Case{"D3DBLEND_BOTHINVSRCALPHA", kBlendNames, 13},
        Case{"D3DTTFF_PROJECTED", kTextureTransformNames, 0}, Case{"D3DCULL_NONE", kCullNames, 1},
        Case{"D3DCULL_CW", kCullNames, 2}, Case{"nothing", kCullNames, -7}, Case{"", kCullNames, -7}})
    EXPECT_EQ(LookupEnumeration(c.value, c.vocabulary, -7), c.expected) << c.value;
}

TEST(DxmMaterial, AsksForDxtThenAtxAndFailsOnTheLastTextureNamed) {
  MaterialFolder f({"rider01.atx", "helmet.dxt"});
  bool ok = false;
  const auto atx = f.Parse(WriteDxmText({{"rider01.tga", {}}}), &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(atx->GetPass(0)->TextureMap, "rider01.atx");
  EXPECT_TRUE(atx->GetPass(0)->Texture);

  // The first pass loads its texture, the second finds neither name: the material fails, the first pass
  // keeps its texture and the second keeps the last name it asked for.
  const auto twoPasses = f.Parse(WriteDxmText({{"helmet.bmp", {}}, {"gone.tga", {}}}), &ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(twoPasses->GetPass(0)->Texture);
  EXPECT_EQ(twoPasses->GetPass(1)->TextureMap, "gone.atx");
  EXPECT_FALSE(twoPasses->GetPass(1)->Texture);

  // A failing pass before one that loads does not fail the material.
  f.Parse(WriteDxmText({{"gone.tga", {}}, {"helmet.dxt", {}}}), &ok);
  EXPECT_TRUE(ok);
}

TEST(DxmMaterial, GivesItsTexturesBackWhenItGoes) {
  MaterialFolder f({"helmet.dxt"});
  f.folder.PutText("helmet01.dxm", WriteDxmText({{"helmet.tga", {}}, {"helmet.tga", {}}}));
  f.folder.Mount();
  TRmxGfxManager textures(f.folder.manager());
  textures.RegisterPlugIn(std::make_unique<TMvAGfxPlugIn>(f.rec.panel()));
  {
    TDXMmaterial material("helmet01.tga", f.rec.panel(), {f.folder.manager(), &textures});
    ASSERT_TRUE(material.LoadByName("helmet01.xyz"));
    EXPECT_EQ(material.PassCount, 2);
    ASSERT_EQ(textures.Count(), 1);
    EXPECT_EQ(textures.EntryAt(0)->UseCount, 2);
    EXPECT_TRUE(material.Lines().empty());  // no document text is kept
  }
  EXPECT_EQ(textures.Count(), 0);
  TDXMmaterial missing("absent", f.rec.panel(), {f.folder.manager(), &textures});
  EXPECT_FALSE(missing.LoadByName("absent"));
  EXPECT_FALSE(missing.LoadFromStream(nullptr));
  // A document claiming a thousand passes is no material.
  bool ok = true;
  f.Parse("[General]\r\nTotalShaderPasses=1000\r\n", &ok);
  EXPECT_FALSE(ok);
}
