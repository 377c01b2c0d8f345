#include "demo/demo_models.h"

#include <numeric>

#include "demo/demo_machines.h"
#include "demo/demo_rider.h"
#include "demo/demo_skins.h"
#include "demo/demo_texture.h"
#include "formats/dxg_file.h"

namespace dravo::demo {

namespace {

std::vector<std::uint8_t> IdentityPalette(int bones) {
  std::vector<std::uint8_t> p(static_cast<std::size_t>(bones));
  std::iota(p.begin(), p.end(), std::uint8_t{0});
  return p;
}

// The default rider: kit, helmet and boots in three meshes, two detail levels, and a palette that
// lists the bones backwards (slots and bones differ everywhere).
NamedFile NoFearModel() {
  const Skeleton s = RiderSkeleton();
  const Skin kit = KitSkin(GenericKit()), helmet = HelmetSkin(PlainHelmet()), boots = BootSkin(WhiteBoots());
  ModelPlan plan;
  plan.skeleton = &s;
  plan.materials = {"rider_kit.dxm", "helmet01.dxm", "nofear6_boots.dxm"};
  std::vector<std::uint8_t> palette = IdentityPalette(s.size());
  std::reverse(palette.begin(), palette.end());
  plan.palette = palette;
  std::vector<MeshBuilder> meshes;
  meshes.reserve(6);
  for (int level = 0; level < 2; ++level) {
    MeshBuilder& body = meshes.emplace_back(s);
    MeshBuilder& head = meshes.emplace_back(s);
    MeshBuilder& feet = meshes.emplace_back(s);
    RiderDress d;
    d.body = {&body, &kit};
    d.hands = {&body, &kit};
    d.helmet = {&head, &helmet};
    d.boots = {&feet, &boots};
    d.sides = level == 0 ? 8 : 5;
    BuildRiderGeometry(s, d);
    plan.levels.push_back({{0, kDxgBoneSlots | kDxgFlag08, {}, &body},
                           {1, kDxgBoneSlots, {1.0f, 1.0f, 1.0f}, &head},
                           {2, kDxgBoneSlots | kDxgFlag10, {1.0f, 1.0f, 1.0f, 0.5f, 0.25f}, &feet}});
  }
  return {"nofear6.dxg", WriteDxgFile(BuildModel(plan))};
}

// The second rider: everything but the gloves in one mesh. Its palette leaves out the hands, which the
// gloves mesh reaches through the slots the loader appends to a short palette.
NamedFile DirtbirdModel() {
  const Skeleton s = RiderSkeleton();
  const Skin kit = FullKitSkin(DirtbirdKit(), DirtbirdHelmet(), DirtbirdBoots()),
             gloves = GloveSkin(DirtbirdKit().glove);
  ModelPlan plan;
  plan.skeleton = &s;
  plan.materials = {"dirtbird14_kit.dxm", "dirtbird14_gloves.dxm"};
  const int left = s.find("L Hand"), right = s.find("R Hand");
  for (int b = 0; b < s.size(); ++b)
    if (b != left && b != right) plan.palette.push_back(static_cast<std::uint8_t>(b));
  MeshBuilder body(s), hands(s);
  RiderDress d;
  d.body = {&body, &kit};
  d.helmet = {&body, &kit};
  d.boots = {&body, &kit};
  d.hands = {&hands, &gloves};
  d.bulk = 1.04f;
  BuildRiderGeometry(s, d);
  plan.levels = {{{0, kDxgBoneSlots, {}, &body}, {1, kDxgBoneSlots, {}, &hands}}};
  return {"dirtbird14.dxg", WriteDxgFile(BuildModel(plan))};
}

NamedFile BikeModel(const std::string& name, const std::string& bodyMaterial, const BodyColours& colours,
                    bool freestyle, int levels) {
  const Skeleton s = BikeSkeleton();
  const Skin engine = EngineSkin(), body = BodySkin(colours), parts = PartsSkin();
  ModelPlan plan;
  plan.skeleton = &s;
  plan.materials = {"kx250_engine.dxm", bodyMaterial, "kx250_parts.dxm"};
  plan.palette = IdentityPalette(s.size());
  std::vector<MeshBuilder> meshes;
  meshes.reserve(static_cast<std::size_t>(3 * levels));
  for (int level = 0; level < levels; ++level) {
    MeshBuilder& e = meshes.emplace_back(s);
    MeshBuilder& b = meshes.emplace_back(s);
    MeshBuilder& p = meshes.emplace_back(s);
    MachineDress d;
    d.engine = {&e, &engine};
    d.plastics = {&b, &body};
    d.parts = {&p, &parts};
    d.sides = level == 0 ? 8 : 5;
    d.freestyle = freestyle;
    BuildBikeGeometry(s, d);
    // The engine and frame are quantised; they hang on the frame, the bone of slot 0.
    const std::uint32_t engineFlags = freestyle ? kDxgCompressed : kDxgCompressed | kDxgFlag08;
    plan.levels.push_back({{0, engineFlags, {1.0f, 1.0f, 1.0f}, &e},
                           {1, kDxgBoneSlots, {1.0f, 1.0f, 1.0f}, &b},
                           {2, kDxgBoneSlots | kDxgFlag08, {}, &p}});
  }
  return {name, WriteDxgFile(BuildModel(plan))};
}

NamedFile AtvModel() {
  const Skeleton s = AtvSkeleton();
  const Skin engine = EngineSkin(), body = BodySkin(Quad450Body()), parts = PartsSkin();
  ModelPlan plan;
  plan.skeleton = &s;
  plan.materials = {"quad450_engine.dxm", "quad450_body.dxm", "quad450_parts.dxm"};
  plan.palette = {0, 4, 5, 1, 2, 3, 6, 7};
  MeshBuilder e(s), b(s), p(s);
  MachineDress d;
  d.engine = {&e, &engine};
  d.plastics = {&b, &body};
  d.parts = {&p, &parts};
  BuildAtvGeometry(s, d);
  plan.levels = {{{0, kDxgCompressed, {1.0f, 1.0f, 1.0f}, &e},
                  {1, kDxgBoneSlots | kDxgFlag10, {1.0f, 1.0f, 1.0f}, &b},
                  {2, kDxgBoneSlots, {1.0f}, &p}}};
  return {"quad450.dxg", WriteDxgFile(BuildModel(plan))};
}

NamedFile WheelModel(const std::string& name, const std::string& tyreMaterial, WheelShape shape, bool blocks,
                     int levels) {
  const Skeleton s = SingleBoneSkeleton("Wheel");
  const Skin tyre = TyreSkin(blocks), rim = RimSkin();
  ModelPlan plan;
  plan.skeleton = &s;
  plan.materials = {tyreMaterial, "rim.dxm"};
  plan.palette = {0};
  plan.positionScale = 1.0f;
  std::vector<MeshBuilder> meshes;
  meshes.reserve(static_cast<std::size_t>(2 * levels));
  for (int level = 0; level < levels; ++level) {
    WheelShape w = shape;
    if (level > 0) {
      w.knobs = shape.knobs * 2 / (level + 2);
      w.segments = shape.segments * 2 / (level + 2);
      w.spokes = shape.spokes > 0 ? 8 : 0;
    }
    MeshBuilder& t = meshes.emplace_back(s);
    MeshBuilder& r = meshes.emplace_back(s);
    BuildWheelGeometry(w, &t, tyre, &r, rim);
    plan.levels.push_back(
        {{0, kDxgBoneSlots, {1.0f, 1.0f, 1.0f}, &t}, {1, kDxgCompressed, {1.0f, 1.0f, 1.0f}, &r}});
  }
  return {name, WriteDxgFile(BuildModel(plan))};
}

// A part hung on a machine: one bone, one material, one mesh.
NamedFile PartModel(const std::string& name, const std::string& bone, const std::string& material,
                    const Skin& skin, void (*build)(MeshBuilder&, const Skin&)) {
  const Skeleton s = SingleBoneSkeleton(bone);
  ModelPlan plan;
  plan.skeleton = &s;
  plan.materials = {material};
  plan.palette = {0};
  MeshBuilder m(s);
  build(m, skin);
  plan.levels = {{{0, kDxgBoneSlots, {}, &m}}};
  return {name, WriteDxgFile(BuildModel(plan))};
}

}  // namespace

std::vector<NamedFile> BuildModelFiles() {
  std::vector<NamedFile> files;
  files.push_back(NoFearModel());
  files.push_back(DirtbirdModel());
  files.push_back(BikeModel("kx250.dxg", "kx250_body.dxm", Kx250Body(), false, 2));
  files.push_back(BikeModel("fx450.dxg", "fx450_body.dxm", Fx450Body(), true, 1));
  files.push_back(AtvModel());
  WheelShape front;
  front.radius = 0.36f;
  front.width = 0.085f;
  front.brakeDisc = true;
  files.push_back(WheelModel("kx250_wheel_f.dxg", "tyre.dxm", front, false, 3));
  WheelShape rear;
  rear.radius = 0.35f;
  rear.width = 0.11f;
  rear.section = 0.09f;
  files.push_back(WheelModel("kx250_wheel_r.dxg", "tyre.dxm", rear, false, 3));
  WheelShape quadFront;
  quadFront.radius = 0.27f;
  quadFront.width = 0.19f;
  quadFront.section = 0.11f;
  quadFront.knob = 0.01f;
  quadFront.knobs = 16;
  quadFront.spokes = 0;
  WheelShape quadRear = quadFront;
  quadRear.width = 0.24f;
  // One model per corner: an attachment takes the placement of the first record holding its model, so
  // a model hung twice would be drawn twice in one place.
  files.push_back(WheelModel("quad_wheel_fl.dxg", "quad_tyre.dxm", quadFront, true, 2));
  files.push_back(WheelModel("quad_wheel_fr.dxg", "quad_tyre.dxm", quadFront, true, 1));
  files.push_back(WheelModel("quad_wheel_rl.dxg", "quad_tyre.dxm", quadRear, true, 2));
  files.push_back(WheelModel("quad_wheel_rr.dxg", "quad_tyre.dxm", quadRear, true, 1));
  files.push_back(PartModel("kx250_plate.dxg", "Plate", "kx250_plate.dxm",
                            PlateSkin("25", {238, 238, 238, 255}, {20, 20, 22, 255}, {80, 185, 40, 255}),
                            BuildPlateGeometry));
  files.push_back(PartModel("quad_rack.dxg", "Rack", "quad_rack.dxm", PartsSkin(), BuildRackGeometry));
  return files;
}

std::vector<NamedFile> BuildTextureFiles(std::vector<TextureFile>* plan) {
  std::vector<NamedFile> files;
  auto add = [&](const TextureFile& t, const Canvas& picture) {
    files.push_back({t.name, EncodeTexture(picture, {t.code, t.mipmaps, t.prefix})});
    if (plan) plan->push_back(t);
  };
  const Rgba black{0, 0, 0, 255};
  add({"rider_kit.dxt", 38, true, false, false}, KitSkin(GenericKit()).paint(black));
  add({"nofear6_kit.dxt", 54, true, false, false}, KitSkin(NoFearKit()).paint(black));
  add({"helmet01.dxt", 40, false, false, false}, HelmetSkin(PlainHelmet()).paint(black));
  add({"helmet06.dxt", 50, true, true, false}, HelmetSkin(NoFearHelmet()).paint(black));
  add({"boots01.dxt", 38, false, false, false}, BootSkin(WhiteBoots()).paint(black));
  add({"dirtbird14_kit.dxt", 55, true, false, false},
      FullKitSkin(DirtbirdKit(), DirtbirdHelmet(), DirtbirdBoots()).paint(black));
  add({"gloves14.dxt", 56, false, false, false}, GloveSkin(DirtbirdKit().glove).paint(black));
  add({"mud01.atx", 53, false, false, true}, MudPicture());
  add({"kx250_body.dxt", 54, true, false, false}, BodySkin(Kx250Body()).paint(black));
  add({"fx450_body.dxt", 40, true, false, false}, BodySkin(Fx450Body()).paint(black));
  add({"quad450_body.dxt", 53, true, false, false}, BodySkin(Quad450Body()).paint(black));
  add({"kx250_engine.dxt", 40, true, false, false}, EngineSkin().paint(black));
  add({"kx250_parts.dxt", 50, true, false, false}, PartsSkin().paint(black));
  add({"tyre01.dxt", 38, true, false, false}, TyreSkin(false).paint(black));
  add({"quad_tyre.dxt", 38, false, false, false}, TyreSkin(true).paint(black));
  add({"rim01.dxt", 56, true, false, true}, RimSkin().paint(black));
  // The front plate is in both archives: the resource manager takes the common one.
  add({"plate_kx.dxt", 54, false, false, true},
      PlateSkin("25", {238, 238, 238, 255}, {20, 20, 22, 255}, {80, 185, 40, 255}).paint(black));
  add({"plate_kx.dxt", 54, false, false, false},
      PlateSkin("00", {250, 220, 0, 255}, {200, 0, 200, 255}, {200, 0, 200, 255}).paint(black));
  return files;
}

}  // namespace dravo::demo
