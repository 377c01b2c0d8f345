#include "demo/demo_game.h"

#include <array>
#include <cstdio>
#include <memory>
#include <set>

#include "demo/demo_documents.h"
#include "demo/demo_machines.h"
#include "demo/demo_math.h"
#include "demo/demo_models.h"
#include "demo/demo_motions.h"
#include "demo/demo_pak_writer.h"
#include "demo/demo_random.h"
#include "demo/demo_skins.h"
#include "formats/dxg_file.h"
#include "formats/dxt_file.h"
#include "motion/mot_writer.h"

namespace dravo::demo {

namespace {

std::vector<std::uint8_t> Text(const std::string& s) {
  return {s.begin(), s.end()};
}

bool IsRiderFile(const std::string& name) {
  static const std::set<std::string> rider = {"nofear6.dxg",     "dirtbird14.dxg",     "rider_kit.dxt",
                                              "nofear6_kit.dxt", "helmet01.dxt",       "helmet06.dxt",
                                              "boots01.dxt",     "dirtbird14_kit.dxt", "gloves14.dxt"};
  return rider.count(name) > 0;
}

bool IsMachineMotion(const std::string& name) {
  return name.rfind("bike", 0) == 0 || name.rfind("atv_bike_", 0) == 0 || name.rfind("mxf_bike_", 0) == 0;
}

// ---- Filler: plausible entries of the sizes a real game's archive holds ----

std::uint16_t Colour565(DemoRandom& r, int base) {
  const int red = (base >> 16 & 0xFF) + r.range(-24, 24), green = (base >> 8 & 0xFF) + r.range(-24, 24),
            blue = (base & 0xFF) + r.range(-24, 24);
  auto c = [](int v, int bits) { return static_cast<std::uint16_t>(std::clamp(v, 0, 255) >> (8 - bits)); };
  return static_cast<std::uint16_t>(c(red, 5) << 11 | c(green, 6) << 5 | c(blue, 5));
}

std::vector<std::uint8_t> FillerTexture(DemoRandom& r, std::uint32_t size, bool dxt5) {
  DxtFileLayout layout;
  layout.code = dxt5 ? kDxtCodeDxt5 : kDxtCodeDxt1;
  layout.width = layout.height = size;
  const int base = static_cast<int>(r.next() & 0xFFFFFF);
  std::vector<std::uint32_t> sizes;
  for (std::uint32_t s = size; s >= 1; s /= 2)
    sizes.insert(sizes.begin(), s);
  for (std::uint32_t s : sizes) {
    DxtLevelData level{s, s, {}};
    const std::uint32_t blocks = ((s + 3) / 4) * ((s + 3) / 4);
    level.bytes.reserve(blocks * (dxt5 ? 16u : 8u));
    for (std::uint32_t b = 0; b < blocks; ++b) {
      if (dxt5) {
        // Opaque alpha: both ends 255, every index 0.
        const std::uint8_t alpha[8] = {255, 255, 0, 0, 0, 0, 0, 0};
        level.bytes.insert(level.bytes.end(), alpha, alpha + 8);
      }
      std::uint16_t c0 = Colour565(r, base), c1 = Colour565(r, base);
      if (c0 < c1) std::swap(c0, c1);
      const std::uint32_t indices = static_cast<std::uint32_t>(r.next());
      const std::uint8_t block[8] = {static_cast<std::uint8_t>(c0),
                                     static_cast<std::uint8_t>(c0 >> 8),
                                     static_cast<std::uint8_t>(c1),
                                     static_cast<std::uint8_t>(c1 >> 8),
                                     static_cast<std::uint8_t>(indices),
                                     static_cast<std::uint8_t>(indices >> 8),
                                     static_cast<std::uint8_t>(indices >> 16),
                                     static_cast<std::uint8_t>(indices >> 24)};
      level.bytes.insert(level.bytes.end(), block, block + 8);
    }
    layout.levels.push_back(std::move(level));
  }
  return WriteDxtFile(layout);
}

std::vector<std::uint8_t> FillerMotion(DemoRandom& r) {
  MotionDraft d;
  static constexpr std::int32_t versions[3] = {-7, -6, -3};
  d.version = versions[r.below(3)];
  d.wideKeys = r.below(2) == 0;
  d.axisOrder = r.below(3) == 0;
  d.headerWord = 1;
  d.parameterFloat = 30.0f;
  d.frameCount = r.range(30, 60);
  const std::vector<std::string>& names = RiderBoneNames();
  d.partNames = names;
  d.positionTracks = {{0, -1}};
  for (std::size_t p = 0; p < names.size(); ++p) {
    const Vector3 axis = Normalize(Vec3(r.between(-1, 1), r.between(-1, 1), r.between(0.1f, 1)));
    const double amplitude = r.between(0.05f, 0.9f), speed = r.between(0.05f, 0.3f), phase = r.between(0, 6);
    std::vector<Matrix> frames;
    for (int f = 0; f < d.frameCount; ++f) {
      Matrix m = RotationAbout(axis, amplitude * Sin(speed * f + phase));
      if (p == 0) m = WithTranslation(m, Vec3(0, static_cast<float>(0.1 * Sin(0.2 * f)), 0));
      frames.push_back(m);
    }
    d.pose.push_back(std::move(frames));
  }
  return WriteMotion(d);
}

std::vector<std::uint8_t> FillerModel(DemoRandom& r) {
  const Skeleton s = SingleBoneSkeleton("Prop");
  const Skin skin = PartsSkin();
  const char* roles[4] = {"fork", "metal", "rubber", "spring"};
  ModelPlan plan;
  plan.skeleton = &s;
  plan.materials = {"kx250_parts.dxm"};
  plan.palette = {0};
  std::vector<MeshBuilder> meshes;
  const int levels = r.range(1, 2);
  meshes.reserve(static_cast<std::size_t>(levels));
  const std::uint64_t seed = r.next();
  for (int level = 0; level < levels; ++level) {
    DemoRandom shape(seed);
    MeshBuilder& m = meshes.emplace_back(s);
    m.bone(0);
    const int parts = shape.range(4, 12);
    for (int k = 0; k < parts; ++k) {
      const Painter paint = skin.painter(roles[shape.below(4)]);
      const Vector3 at = Vec3(shape.between(-1, 1), shape.between(0, 1.5f), shape.between(-1, 1));
      if (shape.below(2) == 0) {
        m.box(at, Vec3(shape.between(0.05f, 0.4f), shape.between(0.05f, 0.4f), shape.between(0.05f, 0.4f)),
              paint);
      } else {
        const float radius = shape.between(0.03f, 0.3f);
        m.tube(at, at + Vec3(shape.between(-0.5f, 0.5f), shape.between(0.1f, 1), shape.between(-0.5f, 0.5f)),
               radius, radius, radius * shape.between(0.5f, 1), radius, level == 0 ? 12 : 6, Vec3(1, 0, 0),
               paint);
      }
    }
    plan.levels.push_back({{0, kDxgBoneSlots, {}, &m}});
  }
  return WriteDxgFile(BuildModel(plan));
}

}  // namespace

DemoContent BuildDemoContent() {
  DemoContent c;
  for (const TextDocument& d : BuildDocuments())
    c.common.push_back({d.entry, Text(d.text)});
  for (NamedFile& m : BuildModelFiles())
    c.common.push_back(
        {std::string(IsRiderFile(m.name) ? "Data\\Rider\\Models\\" : "Data\\Veh\\Models\\") + m.name,
         std::move(m.bytes)});
  for (MotionFile& m : BuildMotionFiles())
    c.common.push_back(
        {std::string(IsMachineMotion(m.name) ? "Data\\Veh\\Anim\\" : "Data\\Rider\\Anim\\") + m.name,
         std::move(m.bytes)});
  std::vector<TextureFile> plan;
  std::vector<NamedFile> textures = BuildTextureFiles(&plan);
  for (std::size_t i = 0; i < textures.size(); ++i) {
    const std::string folder = IsRiderFile(plan[i].name)                        ? "Data\\Rider\\Tex\\"
                               : plan[i].name.find(".atx") != std::string::npos ? "Data\\Tex\\"
                                                                                : "Data\\Veh\\Tex\\";
    (plan[i].common ? c.common : c.textures).push_back({folder + plan[i].name, std::move(textures[i].bytes)});
  }
  return c;
}

namespace {

// What filler entry `index` is, from the first draws of its generator; sizes of textures and motions
// follow from it without making them.
struct FillerPlan {
  enum Kind { Texture, Motion, Model } kind = Texture;
  std::string name;
  std::uint32_t textureSize = 0;
  bool dxt5 = false;
};

FillerPlan PlanFiller(std::uint32_t index) {
  FillerPlan plan;
  char name[64];
  switch (index % 10) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4: {
      plan.kind = FillerPlan::Texture;
      std::snprintf(name, sizeof name, "Data\\Track\\Tex\\trk_%05u.dxt", index);
      DemoRandom r(0x5EED0000ull + index);
      const std::uint32_t pick = r.below(100);
      plan.textureSize = pick < 25 ? 64 : pick < 90 ? 128 : 256;
      plan.dxt5 = pick >= 60 && (pick < 85 || pick >= 97);
      break;
    }
    case 5:
    case 6:
    case 7:
      plan.kind = FillerPlan::Motion;
      std::snprintf(name, sizeof name, "Data\\Rider\\Anim\\ai_%05u.mot", index);
      break;
    default:
      plan.kind = FillerPlan::Model;
      std::snprintf(name, sizeof name, "Data\\Track\\Models\\prop_%05u.dxg", index);
      break;
  }
  plan.name = name;
  return plan;
}

}  // namespace

DemoEntry FillerEntry(std::uint32_t index) {
  const FillerPlan plan = PlanFiller(index);
  DemoRandom r(0x5EED0000ull + index);
  switch (plan.kind) {
    case FillerPlan::Texture:
      r.below(100);
      return {plan.name, FillerTexture(r, plan.textureSize, plan.dxt5)};
    case FillerPlan::Motion:
      return {plan.name, FillerMotion(r)};
    default:
      return {plan.name, FillerModel(r)};
  }
}

std::uint32_t FillerSize(std::uint32_t index) {
  const FillerPlan plan = PlanFiller(index);
  DemoRandom r(0x5EED0000ull + index);
  switch (plan.kind) {
    case FillerPlan::Texture: {
      std::uint32_t bytes = 2 * static_cast<std::uint32_t>(kDxtHeaderBytes);
      for (std::uint32_t s = plan.textureSize; s >= 1; s /= 2)
        bytes += static_cast<std::uint32_t>(kDxtHeaderBytes) +
                 ((s + 3) / 4) * ((s + 3) / 4) * (plan.dxt5 ? 16u : 8u);
      return bytes;
    }
    case FillerPlan::Motion: {
      // The draws FillerMotion makes first: version, key width, axis order, frames.
      static constexpr std::int32_t versions[3] = {-7, -6, -3};
      const bool longForm = versions[r.below(3)] != -3;
      const bool wide = r.below(2) == 0;
      const bool axisOrder = r.below(3) == 0;
      const auto frames = static_cast<std::uint32_t>(r.range(30, 60));
      std::uint32_t bytes = longForm ? 16 : 12;
      for (const std::string& part : RiderBoneNames())
        bytes += 4 + static_cast<std::uint32_t>(part.size());
      bytes += longForm ? 28 : 20;
      bytes += 8 + frames * 16;
      const std::uint32_t key = (wide ? 12u : 8u) + (axisOrder ? 4u : 0u);
      bytes += static_cast<std::uint32_t>(RiderBoneNames().size()) * (8 + frames * key);
      return bytes;
    }
    default:
      return static_cast<std::uint32_t>(FillerModel(r).size());
  }
}

void WriteDemoGame(const std::filesystem::path& dir, const DemoOptions& options) {
  const std::filesystem::path data = dir / "data";
  std::filesystem::create_directories(data);
  DemoContent content = BuildDemoContent();
  auto sources = [](std::vector<DemoEntry>& entries) {
    std::vector<PakSource> out;
    for (DemoEntry& e : entries) {
      auto bytes = std::make_shared<std::vector<std::uint8_t>>(std::move(e.bytes));
      out.push_back({e.name, static_cast<std::uint32_t>(bytes->size()), [bytes] { return *bytes; }});
    }
    return out;
  };
  std::vector<PakSource> common = sources(content.common);
  // Filler entries are made while the file is written, one at a time; the directory before them needs
  // their sizes, which textures and motions know in advance and models learn by being made twice.
  for (std::uint32_t i = 0; i < options.filler; ++i) {
    const DemoEntry e = FillerEntry(i);
    common.push_back(
        {e.name, static_cast<std::uint32_t>(e.bytes.size()), [i] { return FillerEntry(i).bytes; }});
  }
  WritePak(data / "common.pak", std::move(common));
  WritePak(data / "tex.pak", sources(content.textures));
}

}  // namespace dravo::demo
