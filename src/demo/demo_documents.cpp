#include "demo/demo_documents.h"

#include <initializer_list>

namespace dravo::demo {

namespace {

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

struct Pass {
  std::string texture;
  bool mud = false;
  bool mipmapped = true;
};

std::string Material(std::initializer_list<Pass> passes) {
  std::string t = "[General]\r\nTotalShaderPasses=" + std::to_string(passes.size()) + "\r\n";
  int n = 0;
  for (const Pass& p : passes) {
    ++n;
    t += "\r\n[ShaderPass_" + std::to_string(n) + "]\r\n";
    t += "VertexShaderName=vs_skin_" + std::string(p.mud ? "detail" : "base") + "\r\n";
    t += "PixelShaderName=\r\n";
    t += "TotalTextureMaps=1\r\n";
    t += "ZENABLE=TRUE\r\n";
    t += std::string("ZWRITEENABLE=") + (p.mud ? "FALSE" : "TRUE") + "\r\n";
    if (p.mud) {
      t += "ALPHABLENDENABLE=TRUE\r\nALPHATESTENABLE=FALSE\r\n";
      t += "SRCBLEND=D3DBLEND_SRCALPHA\r\nDESTBLEND=D3DBLEND_INVSRCALPHA\r\n";
    } else {
      t += "ALPHABLENDENABLE=FALSE\r\nALPHATESTENABLE=TRUE\r\n";
      t += "ALPHAFUNC=D3DCMP_GREATEREQUAL\r\nALPHAREF=128\r\n";
    }
    t += "FOGENABLE=TRUE\r\n";
    t += "MAGFILTER_0=D3DTEXF_LINEAR\r\nMINFILTER_0=D3DTEXF_LINEAR\r\n";
    t += std::string("MIPFILTER_0=") + (p.mipmapped ? "D3DTEXF_LINEAR" : "D3DTEXF_NONE") + "\r\n";
    t += "MAXANISOTROPY_0=1\r\n";
    t += "ADDRESSU_0=D3DTADDRESS_WRAP\r\nADDRESSV_0=D3DTADDRESS_WRAP\r\n";
    t += "Culling=D3DCULL_CCW\r\n";
    t += "NumAnimators=0\r\n";
    t += "TextureMap_1=" + p.texture + "\r\n";
    t += "TextureCoordinateIndex_1=0\r\n";
    t += std::string("Mipmap_1=") + (p.mipmapped ? "TRUE" : "FALSE") + "\r\n";
  }
  return t;
}

const Pass kMud{"mud01.tga", true, false};

std::string ModelConfig(const char* model, const char* shadow) {
  return "[General Info]\r\nSLTfile=" + std::string(model) + "\r\nScale=1.000000\r\nShadow=" + shadow +
         "\r\nLODDistance1=25.0\r\nLODDistance2=60.0\r\n";
}

}  // namespace

std::vector<TextDocument> BuildDocuments() {
  std::vector<TextDocument> d;

  // The stunt list. Only "motion=" lines count; the first 6 characters of the value (9 in the freestyle
  // section) are the stunt's lead-in, not part of the motion's name.
  d.push_back({"Data\\Scripts\\motions.ini",
               Lines({"; Stunt list",
                      "; A stunt names its rider motion after a lead-in; the machine's follows from it.",
                      "",
                      "[General]",
                      "StuntSections=3",
                      "ComboWindow=0.75",
                      "",
                      "[MX_Stunts]",
                      "; name, score",
                      "name=Nac Nac",
                      "score=500",
                      "motion=rider_nacnac.mot",
                      "",
                      "name=Heel Clicker",
                      "score=600",
                      "motion=rider_heelclicker.mot",
                      "",
                      "",
                      "name=Superman",
                      "score=900",
                      "motion=rider_superman.mot",
                      "",
                      "; switched off for this season",
                      "name=Can Can",
                      "score=550",
                      "Motion=rider_cancan.mot",
                      "",
                      "; the rider was never animated for this one",
                      "name=Lazy Boy",
                      "score=1000",
                      "motion=rider_lazyboy.mot",
                      "",
                      "[ATV_Stunts]",
                      "name=Coffin",
                      "score=800",
                      "motion=rider_coffin.mot",
                      "",
                      "name=Heel Clicker",
                      "score=650",
                      "motion=rider_heelclicker.mot",
                      "",
                      "name=No Hander",
                      "score=700",
                      "motion=rider_nohander.mot",
                      "",
                      "[ff_Stunts]",
                      "; freestyle stunts carry a longer lead-in",
                      "name=Cliff Hanger",
                      "score=1200",
                      "motion=ff_rider_cliffhanger.mot",
                      "",
                      "name=Heart Attack",
                      "score=1500",
                      "motion=ff_rider_heartattack.mot",
                      "",
                      "name=Superman Seat Grab",
                      "score=1300",
                      "motion=ff_rider_supermanseatgrab.mot"})});

  // Riders. Their model configurations are named "...rider...", which the loader reads with an "m" in
  // front; so the files themselves carry it.
  d.push_back(
      {"Data\\Rider\\NoFear6.sub",
       Lines({"; No Fear team rider, number 6", "[Objects]", "MCF=Rider_NoFear6.mcf", "NumberOfSubObjects=0",
              "", "[Material Changes]", "; the team's kit and helmet over the stock ones",
              "rider_kit=nofear6_kit", "  helmet01 = helmet06  ", "", "nofear6_boots.dxm=boots_clean"})});
  d.push_back({"Data\\Rider\\mRider_NoFear6.mcf", ModelConfig("nofear6.slt", "1")});
  d.push_back({"Data\\Rider\\Dirtbird14.sub",
               Lines({"[Objects]", "MCF=  rider_dirtbird14.mcf ", "NumberOfSubObjects=0"})});
  d.push_back({"Data\\Rider\\mrider_dirtbird14.mcf", ModelConfig("dirtbird14.dxg", "1")});
  // The computer-driven rider's document: listed as a resource, never offered as a rider.
  d.push_back({"Data\\Rider\\NoFear6_ai.sub", Lines({"[Objects]", "MCF=Rider_NoFear6_ai.mcf",
                                                     "NumberOfSubObjects=0", "", "[AI]", "Skill=7"})});
  d.push_back({"Data\\Rider\\mRider_NoFear6_ai.mcf", ModelConfig("nofear6.slt", "0")});

  // Machines: the main model through the .mcf, wheels and parts hung on its bones.
  d.push_back({"Data\\Veh\\MX_S_250_KX2501.sub", Lines({"; KX 250, number 25",
                                                        "[Objects]",
                                                        "MCF=MX_S_250_KX2501.mcf",
                                                        "NumberOfSubObjects=3",
                                                        "",
                                                        "[SubObject1]",
                                                        "Placement=Front Wheel",
                                                        "SLT=kx250_wheel_f.slt",
                                                        "",
                                                        "[SubObject2]",
                                                        "Placement=rear wheel",
                                                        "SLT=kx250_wheel_r.slt",
                                                        "",
                                                        "[SubObject3]",
                                                        "Placement=Fork",
                                                        "SLT=kx250_plate.slt",
                                                        "",
                                                        "[Physics]",
                                                        "Mass=102.5",
                                                        "Power=38"})});
  d.push_back({"Data\\Veh\\MX_S_250_KX2501.mcf", ModelConfig("kx250.slt", "1")});
  d.push_back({"Data\\Veh\\MXF_S_450_FX1.sub",
               Lines({"; freestyle bike", "[Objects]", "MCF=MXF_S_450_FX1.mcf", "NumberOfSubObjects=2", "",
                      "[SubObject1]", "Placement=Front Wheel", "SLT=kx250_wheel_f.slt", "", "[SubObject2]",
                      "Placement=Rear Wheel", "SLT=kx250_wheel_r.slt"})});
  d.push_back({"Data\\Veh\\MXF_S_450_FX1.mcf", ModelConfig("fx450.slt", "1")});
  d.push_back({"Data\\Veh\\ATV_S_450_QUAD1.sub", Lines({"; sport quad",
                                                        "[Objects]",
                                                        "MCF=ATV_S_450_QUAD1.mcf",
                                                        "NumberOfSubObjects=5",
                                                        "",
                                                        "[SubObject1]",
                                                        "Placement=Front Left Hub",
                                                        "SLT=quad_wheel_fl.slt",
                                                        "",
                                                        "[SubObject2]",
                                                        "Placement=Front Right Hub",
                                                        "SLT=quad_wheel_fr.slt",
                                                        "",
                                                        "[SubObject3]",
                                                        "Placement=Rear Left Hub",
                                                        "SLT=quad_wheel_rl.slt",
                                                        "",
                                                        "[SubObject4]",
                                                        "Placement=Rear Right Hub",
                                                        "SLT=quad_wheel_rr.slt",
                                                        "",
                                                        "[SubObject5]",
                                                        "Placement=Frame",
                                                        "SLT=quad_rack.slt"})});
  d.push_back({"Data\\Veh\\ATV_S_450_QUAD1.mcf", ModelConfig("quad450.slt", "1")});

  // Materials: one pass, or a second pass of mud blended over the first by the mud's alpha.
  const auto rider = [&](const char* name, std::string text) {
    d.push_back({std::string("Data\\Rider\\Models\\") + name, text});
  };
  const auto veh = [&](const char* name, std::string text) {
    d.push_back({std::string("Data\\Veh\\Models\\") + name, text});
  };
  rider("rider_kit.dxm", Material({{"rider_kit.tga"}}));
  rider("nofear6_kit.dxm", Material({{"nofear6_kit.tga"}}));
  rider("helmet01.dxm", Material({{"helmet01.tga", false, false}}));
  rider("helmet06.dxm", Material({{"helmet06.tga"}}));
  rider("nofear6_boots.dxm", Material({{"boots01.tga", false, false}, kMud}));
  rider("dirtbird14_kit.dxm", Material({{"dirtbird14_kit.dxt"}}));
  rider("dirtbird14_gloves.dxm", Material({{"gloves14.dxt", false, false}}));
  veh("kx250_engine.dxm", Material({{"kx250_engine.tga"}}));
  veh("kx250_body.dxm", Material({{"kx250_body.tga"}, kMud}));
  veh("kx250_parts.dxm", Material({{"kx250_parts.tga"}}));
  veh("kx250_plate.dxm", Material({{"plate_kx.tga", false, false}}));
  veh("fx450_body.dxm", Material({{"fx450_body.tga"}, kMud}));
  veh("quad450_engine.dxm", Material({{"kx250_engine.tga"}}));
  veh("quad450_body.dxm", Material({{"quad450_body.tga"}, kMud}));
  veh("quad450_parts.dxm", Material({{"kx250_parts.tga"}}));
  veh("quad_rack.dxm", Material({{"kx250_parts.tga"}}));
  veh("tyre.dxm", Material({{"tyre01.tga"}, kMud}));
  veh("quad_tyre.dxm", Material({{"quad_tyre.tga", false, false}, kMud}));
  veh("rim.dxm", Material({{"rim01.tga"}}));
  return d;
}

}  // namespace dravo::demo
