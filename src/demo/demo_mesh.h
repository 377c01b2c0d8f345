#pragma once

// Low-poly geometry for the demo game's models: a skeleton of bind frames, a texture atlas of shaded
// colour tiles, and a mesh builder whose shapes (boxes, lofts, rings, ellipsoids) are written in a
// bone's own coordinates and come out as one triangle strip per mesh. Faces are flat; each face takes
// the tile of its colour in the shade that its direction gets from a fixed light, so the models read
// well although the game draws them without lighting.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/maths.h"
#include "demo/demo_canvas.h"
#include "formats/dxg_file.h"

namespace dravo::demo {

struct DemoBone {
  std::string name;
  int parent = -1;
  Matrix world = IdentityMatrix();  // bind frame in model space: rotation rows and origin
};

class Skeleton {
 public:
  int add(std::string name, int parent, const Matrix& world);
  int find(const std::string& name) const;  // -1 when absent
  // The bone's frame relative to its parent's, as the model file stores it.
  Matrix local(int bone) const;
  const std::vector<DemoBone>& bones() const { return m_bones; }
  const DemoBone& operator[](int bone) const { return m_bones[static_cast<std::size_t>(bone)]; }
  int size() const { return static_cast<int>(m_bones.size()); }

 private:
  std::vector<DemoBone> m_bones;
};

// A frame whose -y axis runs from `from` to `to` (a limb hangs along -y), with x as close to `side` as the
// direction allows.
Matrix LimbFrame(Vector3 from, Vector3 to, Vector3 side);
// A frame whose +y axis runs from `from` towards `to`.
Matrix SpineFrame(Vector3 from, Vector3 to, Vector3 side);

struct Tile {
  float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

// Draws the tiles of a texture. Flat swatches get four shades (lit to dark); decals span a rectangle of
// tiles and are drawn once, unshaded.
class Atlas {
 public:
  using Pattern = std::function<void(Canvas&, int x, int y, int w, int h, Rgba base)>;
  Atlas(int size, int grid);

  int swatch(Rgba colour, Pattern pattern = {});
  int decal(int tilesWide, int tilesHigh, std::function<void(Canvas&, int x, int y, int w, int h)> paint);
  // The swatch's tile in the shade for a face whose normal (in model space) is `normal`.
  Tile shaded(int swatch, Vector3 normal) const;
  Tile flat(int swatch, int shade = 0) const;
  Tile decalTile(int decal) const;
  Canvas paint(Rgba background) const;
  int size() const { return m_size; }

 private:
  struct Entry {
    int tile = 0;
    int wide = 1, high = 1;
    int shades = 1;
    Rgba colour;
    Pattern pattern;
    std::function<void(Canvas&, int, int, int, int)> paintDecal;
  };
  Tile tileRect(int tile, int wide, int high) const;
  int reserve(int count, int wide, int high);

  int m_size;
  int m_grid;
  int m_next = 0;
  std::vector<Entry> m_entries;
};

// The light the shades are baked for, and which of the four shades a model-space normal gets.
int ShadeIndex(Vector3 normal);

struct DemoVertex {
  Vector3 position;  // in the bone's coordinates
  Vector3 normal;
  float u = 0, v = 0;
  int bone = 0;
};

struct FaceInfo {
  Vector3 centre;       // in the bone's coordinates
  Vector3 worldNormal;  // model space, bind pose
  Vector3 worldCentre;
};
using Painter = std::function<Tile(const FaceInfo&)>;

class MeshBuilder {
 public:
  explicit MeshBuilder(const Skeleton& skeleton) : m_skeleton(&skeleton) {}

  // Following shapes belong to this bone and are given in its coordinates (after `place`).
  void bone(int bone, const Matrix& place = IdentityMatrix());
  int currentBone() const { return m_bone; }

  void quad(Vector3 a, Vector3 b, Vector3 c, Vector3 d, const Painter& paint, Vector3 outside);
  void triangle(Vector3 a, Vector3 b, Vector3 c, const Painter& paint, Vector3 outside);

  // Rings of equal point counts joined side by side; a face's outside is away from its rings' centres.
  // `wrap` joins the last ring back to the first (a torus).
  void loft(const std::vector<std::vector<Vector3>>& rings, const Painter& paint, bool capStart, bool capEnd,
            bool wrap = false);
  // An n-sided section of radii (ru along u, rw along w) centred on `c`, starting at angle `phase`.
  static std::vector<Vector3> Ring(Vector3 c, Vector3 u, Vector3 w, float ru, float rw, int n, double phase);
  // A tube from p0 to p1 with elliptical sections; `side` picks the section's first axis.
  void tube(Vector3 p0, Vector3 p1, float r0u, float r0w, float r1u, float r1w, int sides, Vector3 side,
            const Painter& paint, bool caps = true);
  // A box that may narrow along y: half sizes (x, z) at y0 and at y1.
  void block(float y0, float y1, float hx0, float hz0, float hx1, float hz1, const Painter& paint,
             float skewZ = 0.0f);
  void box(Vector3 centre, Vector3 half, const Painter& paint);
  void ellipsoid(Vector3 centre, Vector3 radii, int slices, int stacks, const Painter& paint);

  const std::vector<DemoVertex>& vertices() const { return m_vertices; }
  const std::vector<std::uint16_t>& strip() const { return m_strip; }

 private:
  void emit(const std::vector<Vector3>& corners, const Painter& paint, Vector3 outside);

  const Skeleton* m_skeleton;
  int m_bone = 0;
  Matrix m_place = IdentityMatrix();
  std::vector<DemoVertex> m_vertices;
  std::vector<std::uint16_t> m_strip;
};

// One mesh of a model as it is to be written.
struct MeshPlan {
  std::uint32_t material = 0;
  std::uint32_t flags = kDxgBoneSlots;
  std::vector<float> scales;  // none: the file gives no scales
  const MeshBuilder* geometry = nullptr;
};

struct ModelPlan {
  const Skeleton* skeleton = nullptr;
  std::vector<std::string> materials;
  std::vector<std::vector<MeshPlan>> levels;  // level 0 first
  std::vector<std::uint8_t> palette;          // bone per slot; may be shorter than the skeleton
  float positionScale = 2.0f;                 // bone 0's, for quantised meshes
};

// The model file. A vertex's slot is the palette slot that names its bone; in a model whose palette is
// shorter than its skeleton, the slots of meshes 1 and later point into the fixed completion list that
// the loader appends, as the loader shifts them.
DxgFile BuildModel(const ModelPlan& plan);

}  // namespace dravo::demo
