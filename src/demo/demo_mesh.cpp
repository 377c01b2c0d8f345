#include "demo/demo_mesh.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "demo/demo_math.h"

namespace dravo::demo {

namespace {

constexpr int kShadePercent[4] = {100, 85, 70, 52};

Vector3 Centroid(const std::vector<Vector3>& points) {
  Vector3 sum{};
  for (Vector3 p : points)
    sum = sum + p;
  return sum * (1.0f / static_cast<float>(points.size()));
}

// Newell's normal of a polygon.
Vector3 PolygonNormal(const std::vector<Vector3>& p) {
  Vector3 n{};
  for (std::size_t i = 0; i < p.size(); ++i) {
    const Vector3 a = p[i], b = p[(i + 1) % p.size()];
    n.x += (a.y - b.y) * (a.z + b.z);
    n.y += (a.z - b.z) * (a.x + b.x);
    n.z += (a.x - b.x) * (a.y + b.y);
  }
  return Normalize(n);
}

}  // namespace

int Skeleton::add(std::string name, int parent, const Matrix& world) {
  m_bones.push_back({std::move(name), parent, world});
  return size() - 1;
}

int Skeleton::find(const std::string& name) const {
  for (int i = 0; i < size(); ++i)
    if (m_bones[static_cast<std::size_t>(i)].name == name) return i;
  return -1;
}

Matrix Skeleton::local(int bone) const {
  const DemoBone& b = (*this)[bone];
  if (b.parent < 0) return b.world;
  return b.world * RigidInverse((*this)[b.parent].world);
}

Matrix LimbFrame(Vector3 from, Vector3 to, Vector3 side) {
  const Vector3 y = Normalize(from - to);
  const Vector3 x = Normalize(side - y * Vec3Dot(side, y));
  return Frame(x, y, Vec3Cross(x, y), from);
}

Matrix SpineFrame(Vector3 from, Vector3 to, Vector3 side) {
  const Vector3 y = Normalize(to - from);
  const Vector3 x = Normalize(side - y * Vec3Dot(side, y));
  return Frame(x, y, Vec3Cross(x, y), from);
}

int ShadeIndex(Vector3 n) {
  const Vector3 light = Normalize(Vec3(0.25f, 0.9f, 0.3f));
  const float d = Vec3Dot(n, light);
  if (d > 0.55f) return 0;
  if (d > 0.0f) return 1;
  if (d > -0.55f) return 2;
  return 3;
}

Atlas::Atlas(int size, int grid) : m_size(size), m_grid(grid) {}

int Atlas::reserve(int count, int wide, int high) {
  // Swatches fill rows from the top; decals start on a fresh row and take whole rows' height.
  if (wide > 1 || high > 1) {
    const int row = (m_next + m_grid - 1) / m_grid;
    if (wide > m_grid || row + high > m_grid) throw std::logic_error("demo atlas is full");
    const int tile = row * m_grid;
    // Claim every tile of the rows the decal covers.
    m_next = (row + high) * m_grid;
    return tile;
  }
  if (m_next + count > m_grid * m_grid) throw std::logic_error("demo atlas is full");
  const int tile = m_next;
  m_next += count;
  return tile;
}

int Atlas::swatch(Rgba colour, Pattern pattern) {
  Entry e;
  e.tile = reserve(4, 1, 1);
  e.shades = 4;
  e.colour = colour;
  e.pattern = std::move(pattern);
  m_entries.push_back(std::move(e));
  return static_cast<int>(m_entries.size()) - 1;
}

int Atlas::decal(int wide, int high, std::function<void(Canvas&, int, int, int, int)> paint) {
  Entry e;
  e.tile = reserve(1, wide, high);
  e.wide = wide;
  e.high = high;
  e.paintDecal = std::move(paint);
  m_entries.push_back(std::move(e));
  return static_cast<int>(m_entries.size()) - 1;
}

Tile Atlas::tileRect(int tile, int wide, int high) const {
  const float ts = static_cast<float>(m_size) / static_cast<float>(m_grid);
  const float margin = std::min(2.0f, ts / 8.0f);
  const float x = static_cast<float>(tile % m_grid) * ts, y = static_cast<float>(tile / m_grid) * ts;
  const auto s = static_cast<float>(m_size);
  return {(x + margin) / s, (y + margin) / s, (x + ts * static_cast<float>(wide) - margin) / s,
          (y + ts * static_cast<float>(high) - margin) / s};
}

Tile Atlas::shaded(int swatch, Vector3 normal) const {
  return flat(swatch, ShadeIndex(normal));
}

Tile Atlas::flat(int swatch, int shade) const {
  const Entry& e = m_entries.at(static_cast<std::size_t>(swatch));
  return tileRect(e.tile + std::clamp(shade, 0, e.shades - 1), 1, 1);
}

Tile Atlas::decalTile(int decal) const {
  const Entry& e = m_entries.at(static_cast<std::size_t>(decal));
  return tileRect(e.tile, e.wide, e.high);
}

Canvas Atlas::paint(Rgba background) const {
  Canvas c(m_size, m_size, background);
  const int ts = m_size / m_grid;
  for (const Entry& e : m_entries) {
    if (e.paintDecal) {
      e.paintDecal(c, (e.tile % m_grid) * ts, (e.tile / m_grid) * ts, e.wide * ts, e.high * ts);
      continue;
    }
    for (int s = 0; s < e.shades; ++s) {
      const int tile = e.tile + s;
      const int x = (tile % m_grid) * ts, y = (tile / m_grid) * ts;
      const Rgba base = Shade(e.colour, kShadePercent[s]);
      c.fillRect(x, y, ts, ts, base);
      if (e.pattern) e.pattern(c, x, y, ts, ts, base);
    }
  }
  return c;
}

void MeshBuilder::bone(int bone, const Matrix& place) {
  m_bone = bone;
  m_place = place;
}

void MeshBuilder::emit(const std::vector<Vector3>& corners, const Painter& paint, Vector3 outside) {
  std::vector<Vector3> p;
  p.reserve(corners.size());
  for (Vector3 c : corners)
    p.push_back(TransformCoord(c, m_place));
  outside = TransformCoord(outside, m_place);
  const Vector3 centre = Centroid(p);
  Vector3 n = PolygonNormal(p);
  if (Vec3Dot(n, centre - outside) < 0) n = n * -1.0f;
  const Matrix& world = (*m_skeleton)[m_bone].world;
  FaceInfo info{centre, Normalize(TransformNormal(n, world)), TransformCoord(centre, world)};
  const Tile t = paint(info);

  const auto first = static_cast<std::uint16_t>(m_vertices.size());
  if (m_vertices.size() + p.size() > 65535) throw std::logic_error("demo mesh too large");
  auto add = [&](Vector3 pos, float u, float v) { m_vertices.push_back({pos, n, u, v, m_bone}); };
  std::vector<std::uint16_t> seq;
  if (p.size() == 4) {
    add(p[0], t.u0, t.v1);
    add(p[1], t.u1, t.v1);
    add(p[2], t.u1, t.v0);
    add(p[3], t.u0, t.v0);
    seq = {first, static_cast<std::uint16_t>(first + 1), static_cast<std::uint16_t>(first + 3),
           static_cast<std::uint16_t>(first + 2)};
  } else {
    // A convex polygon as a zig-zag strip: 0, 1, n-1, 2, n-2, ...
    const float cu = (t.u0 + t.u1) / 2, cv = (t.v0 + t.v1) / 2, hu = (t.u1 - t.u0) / 2,
                hv = (t.v1 - t.v0) / 2;
    const std::size_t n = p.size();
    for (std::size_t i = 0; i < n; ++i) {
      const double a = 2.0 * kDemoPi * static_cast<double>(i) / static_cast<double>(n);
      add(p[i], cu + hu * static_cast<float>(Cos(a)), cv + hv * static_cast<float>(Sin(a)));
    }
    std::size_t lo = 1, hi = n - 1;
    seq.push_back(first);
    while (lo <= hi) {
      seq.push_back(static_cast<std::uint16_t>(first + lo++));
      if (lo > hi) break;
      seq.push_back(static_cast<std::uint16_t>(first + hi--));
    }
  }
  if (!m_strip.empty()) {
    m_strip.push_back(m_strip.back());
    m_strip.push_back(seq.front());
  }
  m_strip.insert(m_strip.end(), seq.begin(), seq.end());
}

void MeshBuilder::quad(Vector3 a, Vector3 b, Vector3 c, Vector3 d, const Painter& paint, Vector3 outside) {
  emit({a, b, c, d}, paint, outside);
}

void MeshBuilder::triangle(Vector3 a, Vector3 b, Vector3 c, const Painter& paint, Vector3 outside) {
  emit({a, b, c}, paint, outside);
}

std::vector<Vector3> MeshBuilder::Ring(Vector3 c, Vector3 u, Vector3 w, float ru, float rw, int n,
                                       double phase) {
  std::vector<Vector3> ring;
  ring.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double a = phase + 2.0 * kDemoPi * i / n;
    ring.push_back(c + u * (ru * static_cast<float>(Cos(a))) + w * (rw * static_cast<float>(Sin(a))));
  }
  return ring;
}

void MeshBuilder::loft(const std::vector<std::vector<Vector3>>& rings, const Painter& paint, bool capStart,
                       bool capEnd, bool wrap) {
  const std::size_t count = rings.size();
  const std::size_t spans = wrap ? count : count - 1;
  for (std::size_t k = 0; k < spans; ++k) {
    const std::vector<Vector3>& r0 = rings[k];
    const std::vector<Vector3>& r1 = rings[(k + 1) % count];
    const Vector3 inside = (Centroid(r0) + Centroid(r1)) * 0.5f;
    const std::size_t n = r0.size();
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t j = (i + 1) % n;
      quad(r0[i], r0[j], r1[j], r1[i], paint, inside);
    }
  }
  if (capStart && count > 1) {
    std::vector<Vector3> cap(rings.front().rbegin(), rings.front().rend());
    emit(cap, paint, Centroid(rings[1]));
  }
  if (capEnd && count > 1) emit(rings.back(), paint, Centroid(rings[count - 2]));
}

void MeshBuilder::tube(Vector3 p0, Vector3 p1, float r0u, float r0w, float r1u, float r1w, int sides,
                       Vector3 side, const Painter& paint, bool caps) {
  const Vector3 a = Normalize(p1 - p0);
  Vector3 u = side - a * Vec3Dot(side, a);
  if (Vec3Length(u) < 1e-4f) u = std::fabs(a.y) < 0.9f ? Vec3(0, 1, 0) : Vec3(1, 0, 0);
  u = Normalize(u - a * Vec3Dot(u, a));
  const Vector3 w = Vec3Cross(a, u);
  const double phase = kDemoPi / sides;
  loft({Ring(p0, u, w, r0u, r0w, sides, phase), Ring(p1, u, w, r1u, r1w, sides, phase)}, paint, caps, caps);
}

void MeshBuilder::block(float y0, float y1, float hx0, float hz0, float hx1, float hz1, const Painter& paint,
                        float skewZ) {
  const std::vector<Vector3> bottom = {Vec3(-hx0, y0, -hz0), Vec3(hx0, y0, -hz0), Vec3(hx0, y0, hz0),
                                       Vec3(-hx0, y0, hz0)};
  const std::vector<Vector3> top = {Vec3(-hx1, y1, -hz1 + skewZ), Vec3(hx1, y1, -hz1 + skewZ),
                                    Vec3(hx1, y1, hz1 + skewZ), Vec3(-hx1, y1, hz1 + skewZ)};
  loft({bottom, top}, paint, true, true);
}

void MeshBuilder::box(Vector3 c, Vector3 h, const Painter& paint) {
  const Matrix saved = m_place;
  m_place = MatrixTranslation(c.x, c.y, c.z) * saved;
  block(-h.y, h.y, h.x, h.z, h.x, h.z, paint);
  m_place = saved;
}

void MeshBuilder::ellipsoid(Vector3 c, Vector3 r, int slices, int stacks, const Painter& paint) {
  std::vector<std::vector<Vector3>> rings;
  for (int k = 1; k < stacks; ++k) {
    const double lat = -kDemoPi / 2 + kDemoPi * k / stacks;
    const auto y = static_cast<float>(Sin(lat)), radius = static_cast<float>(Cos(lat));
    rings.push_back(
        Ring(c + Vec3(0, r.y * y, 0), Vec3(1, 0, 0), Vec3(0, 0, 1), r.x * radius, r.z * radius, slices, 0.0));
  }
  loft(rings, paint, false, false);
  const Vector3 south = c - Vec3(0, r.y, 0), north = c + Vec3(0, r.y, 0);
  const std::vector<Vector3>& low = rings.front();
  const std::vector<Vector3>& high = rings.back();
  for (int i = 0; i < slices; ++i) {
    const int j = (i + 1) % slices;
    triangle(low[static_cast<std::size_t>(j)], low[static_cast<std::size_t>(i)], south, paint, c);
    triangle(high[static_cast<std::size_t>(i)], high[static_cast<std::size_t>(j)], north, paint, c);
  }
}

DxgFile BuildModel(const ModelPlan& plan) {
  const Skeleton& skeleton = *plan.skeleton;
  DxgFile file;
  file.headerWord = 1;
  for (int i = 0; i < skeleton.size(); ++i) {
    DxgBone bone;
    bone.name = skeleton[i].name;
    bone.local = skeleton.local(i);
    bone.parent = skeleton[i].parent;
    bone.positionScale = i == 0 ? plan.positionScale : 1.0f;
    file.bones.push_back(bone);
  }
  file.materialNames = plan.materials;
  file.levelCount = static_cast<std::uint8_t>(plan.levels.size());
  file.palette = plan.palette;

  // The palette as the loader completes it.
  std::vector<int> full(kDxgPaletteSlots, -1);
  for (std::size_t s = 0; s < plan.palette.size(); ++s)
    full[s] = plan.palette[s];
  const std::size_t k = plan.palette.size();
  const bool completed = k < static_cast<std::size_t>(skeleton.size());
  if (completed)
    for (std::size_t s = 0; s < kDxgPaletteCompletion.size(); ++s)
      full[k + s] = kDxgPaletteCompletion[s];

  file.levels.clear();
  for (std::size_t level = 0; level < plan.levels.size(); ++level) {
    DxgLevel out;
    out.word = static_cast<std::uint32_t>(level);
    for (std::size_t m = 0; m < plan.levels[level].size(); ++m) {
      const MeshPlan& mp = plan.levels[level][m];
      DxgMesh mesh;
      mesh.materialIndex = mp.material;
      mesh.flags = mp.flags;
      mesh.scales = mp.scales;
      mesh.vertexCount = static_cast<std::uint16_t>(mp.geometry->vertices().size());
      mesh.indices = mp.geometry->strip();
      const std::size_t shift = !completed || m == 0 ? 0 : (m == 1 ? k : k + 9);
      std::vector<DxgVertex> vertices;
      for (const DemoVertex& v : mp.geometry->vertices()) {
        DxgVertex out{v.position, v.normal, v.u, v.v, 0.0f};
        if (mesh.compressed()) {
          if (plan.palette.empty() || v.bone != plan.palette[0])
            throw std::logic_error("a quantised demo mesh must lie on the bone of slot 0");
        } else if (mesh.flags & kDxgBoneSlots) {
          int slot = -1;
          for (std::size_t s = 0; s + shift < full.size(); ++s)
            if (full[s + shift] == v.bone) {
              slot = static_cast<int>(s);
              break;
            }
          if (slot < 0) throw std::logic_error("a demo vertex's bone has no palette slot");
          out.slot = static_cast<float>(slot);
        }
        vertices.push_back(out);
      }
      mesh.vertexBlock = EncodeDxgVertices(vertices, mesh.flags, DxgCompressedPositionScale(file, mesh),
                                           mesh.scale(1), mesh.scale(2));
      out.meshes.push_back(std::move(mesh));
    }
    file.levels.push_back(std::move(out));
  }
  return file;
}

}  // namespace dravo::demo
