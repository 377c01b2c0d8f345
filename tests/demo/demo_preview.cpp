// demo_preview: draws riders and machines of the demo game to a PNG contact sheet, without a graphics
// device (a small software rasteriser following the model's skinning, posing and texture stages), so
// the generator's shapes and tricks can be looked at. Not a test; a tool for whoever changes the demo.
//
//   demo_preview GAME OUT.png RIDER.sub MACHINE.sub [TRICK] [--frames a,b,c] [--views front,side,top,persp]
//                [--size N] [--nomachine]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

#include "core/memory_stream.h"
#include "core/text.h"
#include "demo_scene.h"
#include "formats/dxt_file.h"
#include "formats/png_file.h"
#include "resources/typed_ini.h"

using namespace dravo;
using namespace dravo::test;

namespace {

struct Texture {
  int w = 0, h = 0;
  std::vector<std::uint8_t> rgba;
  bool ok() const { return w > 0; }
  std::array<int, 4> at(float u, float v) const {
    int x = static_cast<int>(std::floor(u * w)) % w, y = static_cast<int>(std::floor(v * h)) % h;
    if (x < 0) x += w;
    if (y < 0) y += h;
    const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * w + x) * 4];
    return {p[0], p[1], p[2], p[3]};
  }
};

struct Material {
  std::vector<const Texture*> passes;
};

class Assets {
 public:
  explicit Assets(const DemoGame& game) : m_game(game) {}
  const Material& material(const std::string& name) {
    auto it = m_materials.find(name);
    if (it != m_materials.end()) return it->second;
    Material m;
    if (auto bytes = m_game.Read(ChangeFileExt(name, ".dxm"))) {
      MemoryStream s(*bytes);
      TRmxIniFile ini;
      ini.LoadFromStream(s);
      const int passes = ini.ReadInteger("General", "TotalShaderPasses", 0);
      for (int p = 1; p <= passes; ++p)
        m.passes.push_back(texture(ini.ReadString("ShaderPass_" + std::to_string(p), "TextureMap_1")));
    } else {
      std::fprintf(stderr, "missing material %s\n", name.c_str());
    }
    return m_materials[name] = m;
  }

 private:
  const Texture* texture(const std::string& name) {
    for (const char* ext : {".dxt", ".atx"}) {
      const std::string file = ChangeFileExt(name, ext);
      auto it = m_textures.find(file);
      if (it != m_textures.end()) return &it->second;
      if (auto bytes = m_game.Read(file)) {
        const DxtFileInfo info = ParseDxtFile(*bytes);
        Texture t{static_cast<int>(info.width), static_cast<int>(info.height), DecodeDxtRgba(*bytes, info)};
        return &(m_textures[file] = t);
      }
    }
    std::fprintf(stderr, "missing texture %s\n", name.c_str());
    return nullptr;
  }
  const DemoGame& m_game;
  std::map<std::string, Material> m_materials;
  std::map<std::string, Texture> m_textures;
};

struct Image {
  int w, h;
  std::vector<std::uint8_t> rgba;
  std::vector<float> depth;
  Image(int width, int height)
      : w(width),
        h(height),
        rgba(static_cast<std::size_t>(width) * height * 4),
        depth(static_cast<std::size_t>(width) * height) {}
};

struct View {
  // Screen x, screen y and depth (larger is nearer) of a model-space point.
  Matrix m;
  bool perspective = false;
};

View MakeView(const std::string& name) {
  Matrix m = IdentityMatrix();
  View v;
  if (name == "front") {
    // Looking at the machine's front: its right (+x) is on the picture's left.
    m[0][0] = -1;
    m[2][2] = 1;
  } else if (name == "side") {
    // Right side: front (+z) to the picture's right, depth towards +x.
    m[0][0] = 0;
    m[0][2] = 1;
    m[2][0] = 1;
    m[2][2] = 0;
  } else if (name == "top") {
    // From above: front up the picture.
    m[1][1] = 0;
    m[1][2] = 1;
    m[2][1] = 1;
    m[2][2] = 0;
  } else {
    // Three-quarter view from front right, above.
    const double yaw = 0.75, pitch = 0.3;
    Matrix ry = IdentityMatrix(), rx = IdentityMatrix();
    ry[0][0] = static_cast<float>(-std::cos(yaw));
    ry[0][2] = static_cast<float>(std::sin(yaw));
    ry[2][0] = static_cast<float>(std::sin(yaw));
    ry[2][2] = static_cast<float>(std::cos(yaw));
    rx[1][1] = static_cast<float>(std::cos(pitch));
    rx[1][2] = static_cast<float>(std::sin(pitch));
    rx[2][1] = static_cast<float>(-std::sin(pitch));
    rx[2][2] = static_cast<float>(std::cos(pitch));
    m = ry * rx;
    v.perspective = true;
  }
  v.m = m;
  return v;
}

struct Drawn {
  const DxgFile* file;
  std::vector<Matrix> bones;
  std::vector<const Material*> materials;  // per mesh
};

struct Vert {
  float x, y, z, u, v;
};

void DrawTriangle(Image& img, const Vert& a, const Vert& b, const Vert& c, const Material& mat) {
  const float minx = std::max(0.0f, std::floor(std::min({a.x, b.x, c.x}))),
              maxx = std::min(static_cast<float>(img.w - 1), std::ceil(std::max({a.x, b.x, c.x})));
  const float miny = std::max(0.0f, std::floor(std::min({a.y, b.y, c.y}))),
              maxy = std::min(static_cast<float>(img.h - 1), std::ceil(std::max({a.y, b.y, c.y})));
  const float area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
  if (std::fabs(area) < 1e-8f) return;
  const Texture* base = mat.passes.empty() ? nullptr : mat.passes[0];
  const Texture* mud = mat.passes.size() > 1 ? mat.passes[1] : nullptr;
  for (int y = static_cast<int>(miny); y <= static_cast<int>(maxy); ++y)
    for (int x = static_cast<int>(minx); x <= static_cast<int>(maxx); ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      const float w0 = ((b.x - px) * (c.y - py) - (c.x - px) * (b.y - py)) / area;
      const float w1 = ((c.x - px) * (a.y - py) - (a.x - px) * (c.y - py)) / area;
      const float w2 = 1 - w0 - w1;
      if (w0 < 0 || w1 < 0 || w2 < 0) continue;
      const float z = w0 * a.z + w1 * b.z + w2 * c.z;
      float& d = img.depth[static_cast<std::size_t>(y) * img.w + x];
      if (z <= d) continue;
      const float u = w0 * a.u + w1 * b.u + w2 * c.u, v = w0 * a.v + w1 * b.v + w2 * c.v;
      std::array<int, 4> col = base && base->ok() ? base->at(u, v) : std::array<int, 4>{255, 0, 255, 255};
      if (col[3] < 128) continue;
      if (mud && mud->ok()) {
        // Mud colour 4610165 (red in the low byte) at full strength.
        const std::array<int, 4> m = mud->at(u, v);
        const int mr = 0x75, mg = 0x58, mb = 0x46;
        const int al = m[3];
        col[0] = (m[0] * mr / 255 * al + col[0] * (255 - al)) / 255;
        col[1] = (m[1] * mg / 255 * al + col[1] * (255 - al)) / 255;
        col[2] = (m[2] * mb / 255 * al + col[2] * (255 - al)) / 255;
      }
      d = z;
      std::uint8_t* p = &img.rgba[(static_cast<std::size_t>(y) * img.w + x) * 4];
      p[0] = static_cast<std::uint8_t>(col[0]);
      p[1] = static_cast<std::uint8_t>(col[1]);
      p[2] = static_cast<std::uint8_t>(col[2]);
      p[3] = 255;
    }
}

void Render(Image& img, int ox, int oy, int size, const std::vector<Drawn>& scene, const View& view,
            Vector3 centre, float scale) {
  for (const Drawn& d : scene) {
    const DxgFile& f = *d.file;
    // Slots with the palette completion, as the loader makes them.
    std::array<int, 256> palette{};
    palette.fill(-1);
    for (std::size_t s = 0; s < f.palette.size(); ++s)
      palette[s] = f.palette[s];
    const std::size_t k = f.palette.size();
    const bool completed = k < f.bones.size();
    if (completed)
      for (std::size_t s = 0; s < kDxgPaletteCompletion.size(); ++s)
        palette[k + s] = kDxgPaletteCompletion[s];
    const bool anySlots =
        std::any_of(f.levels[0].meshes.begin(), f.levels[0].meshes.end(),
                    [](const DxgMesh& m) { return !m.compressed() && (m.flags & kDxgBoneSlots); });
    for (std::size_t mi = 0; mi < f.levels[0].meshes.size(); ++mi) {
      const DxgMesh& mesh = f.levels[0].meshes[mi];
      std::vector<DxgVertex> vs(mesh.vertexCount);
      DecodeDxgVertices(mesh, DxgCompressedPositionScale(f, mesh), vs.data());
      std::vector<Vert> out(vs.size());
      for (std::size_t i = 0; i < vs.size(); ++i) {
        Vector3 p = vs[i].position;
        if (anySlots) {
          int slot = mesh.compressed() || !(mesh.flags & kDxgBoneSlots)
                         ? 0
                         : static_cast<int>(std::lround(vs[i].slot));
          if (completed && mi > 0 && !mesh.compressed())
            slot = (slot + static_cast<int>(mi == 1 ? k : k + 9)) & 255;
          const int bone = palette[static_cast<std::size_t>(slot)];
          if (bone >= 0 && static_cast<std::size_t>(bone) < d.bones.size())
            p = TransformCoord(p, d.bones[static_cast<std::size_t>(bone)]);
        }
        Vector3 s = TransformCoord(p - centre, view.m);
        float sx = s.x * scale, sy = s.y * scale;
        if (view.perspective) {
          const float dist = 3.2f;
          const float f2 = dist / (dist - s.z);
          sx *= f2;
          sy *= f2;
        }
        out[i] = {ox + size / 2 + sx, oy + size / 2 - sy, s.z, vs[i].u, vs[i].v};
      }
      const Material& mat = *d.materials[mi];
      for (std::size_t i = 2; i < mesh.indices.size(); ++i) {
        const std::uint16_t a = mesh.indices[i - 2], b = mesh.indices[i - 1], c = mesh.indices[i];
        if (a == b || b == c || a == c) continue;
        if (a >= out.size() || b >= out.size() || c >= out.size()) continue;
        DrawTriangle(img, out[a], out[b], out[c], mat);
      }
    }
  }
}

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> out;
  std::stringstream ss(s);
  std::string item;
  while (std::getline(ss, item, ','))
    out.push_back(item);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(
        stderr,
        "usage: demo_preview GAME OUT.png RIDER.sub MACHINE.sub [TRICK] [--frames a,b] [--views ...]\n");
    return 2;
  }
  const std::string gameDir = argv[1], outFile = argv[2], riderSub = argv[3], machineSub = argv[4];
  std::string trickName;
  std::vector<std::string> views = {"front", "side", "top", "persp"};
  std::vector<int> frames = {0};
  int size = 320;
  bool showMachine = true, showRider = true;
  for (int i = 5; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--frames" && i + 1 < argc) {
      frames.clear();
      for (const std::string& f : Split(argv[++i]))
        frames.push_back(std::stoi(f));
    } else if (a == "--views" && i + 1 < argc) {
      views = Split(argv[++i]);
    } else if (a == "--size" && i + 1 < argc) {
      size = std::stoi(argv[++i]);
    } else if (a == "--nomachine") {
      showMachine = false;
    } else if (a == "--norider") {
      showRider = false;
    } else {
      trickName = a;
    }
  }
  const DemoGame game(gameDir);
  Assets assets(game);
  const ModelSet rider = LoadModelSet(game, riderSub);
  const ModelSet machine = LoadModelSet(game, machineSub);
  const int type = MachineTypeOf(machineSub);
  std::unique_ptr<TrickMotions> trick;
  bool attached = false;
  if (!trickName.empty()) {
    trick = std::make_unique<TrickMotions>(LoadTrick(game, type, trickName));
    for (const Trick& t : Catalogue(game, type))
      if (t.name == trickName) attached = t.attached;
  }
  auto materialsOf = [&](const ModelSet& set, const DxgFile& f) {
    std::vector<const Material*> out;
    for (const DxgMesh& m : f.levels[0].meshes)
      out.push_back(
          &assets.material(ChangedMaterial(set, f.materialNames[m.materialIndex % f.materialNames.size()])));
    return out;
  };
  Image img(size * static_cast<int>(views.size()), size * static_cast<int>(frames.size()));
  for (std::size_t p = 0; p < img.rgba.size(); p += 4) {
    img.rgba[p] = 0x90;
    img.rgba[p + 1] = 0x80;
    img.rgba[p + 2] = 0x80;
    img.rgba[p + 3] = 255;
  }
  for (std::size_t fi = 0; fi < frames.size(); ++fi) {
    const Posed posed = PoseScene(rider, machine, trick.get(), attached, frames[fi], showMachine);
    std::vector<Drawn> scene;
    if (showMachine) {
      scene.push_back({&machine.main.file, posed.machineBones, materialsOf(machine, machine.main.file)});
      for (std::size_t a = 0; a < machine.attachments.size(); ++a)
        scene.push_back({&machine.attachments[a].file, posed.attachmentBones[a],
                         materialsOf(machine, machine.attachments[a].file)});
    }
    if (showRider) scene.push_back({&rider.main.file, posed.riderBones, materialsOf(rider, rider.main.file)});
    for (std::size_t vi = 0; vi < views.size(); ++vi) {
      const View view = MakeView(views[vi]);
      std::fill(img.depth.begin(), img.depth.end(), -1e9f);
      const float extent = trick ? 3.6f : 2.4f;
      Render(img, static_cast<int>(vi) * size, static_cast<int>(fi) * size, size, scene, view,
             Vec3(0, trick ? 1.3f : 0.9f, 0), static_cast<float>(size) / extent);
    }
  }
  WritePngRgba(outFile, img.w, img.h, img.rgba);
  return 0;
}
