#pragma once

// Fixtures of the texture, material and model tests (which draw on TRecordingPanel): a folder of
// resources mounted in a resource manager, and builders of ".dxt" and ".dxg" files through our writers.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/memory_stream.h"
#include "formats/dxg_file.h"
#include "formats/dxt_file.h"
#include "render/testing/recording_panel.h"
#include "resources/resource_manager.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

namespace dravo::test {

// Files in a temporary folder, mounted as the only folder of a resource manager.
class ResourceFolder {
 public:
  void Put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    WriteBytes(m_dir / name, bytes);
  }
  void PutText(const std::string& name, const std::string& text) { WriteText(m_dir / name, text); }
  // A manager over the folder as it is now.
  TRmxResManager& Mount() {
    m_manager = std::make_unique<TRmxResManager>(".dxg.dxm.dxt.atx.slt", m_dir.path().string());
    return *m_manager;
  }
  TRmxResManager* manager() { return m_manager.get(); }
  const std::filesystem::path& path() const { return m_dir.path(); }

 private:
  TempDir m_dir;
  std::unique_ptr<TRmxResManager> m_manager;
};

// Level bytes that differ from level to level and from byte to byte.
inline std::vector<std::uint8_t> LevelPattern(std::uint64_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(seed * 31 + i * 7 + (i >> 5));
  return bytes;
}

// A file of `code` for a width x height image whose levels have the given sizes, in that order.
inline DxtFileLayout DxtWithLevels(std::uint32_t code, std::uint32_t width, std::uint32_t height,
                                   const std::vector<std::pair<std::uint32_t, std::uint32_t>>& levels) {
  DxtFileLayout layout;
  layout.code = code;
  layout.width = width;
  layout.height = height;
  std::uint8_t seed = 1;
  for (auto [w, h] : levels)
    layout.levels.push_back({w, h, LevelPattern(DxtLevelBytes(code, w, h), seed++)});
  for (int i = 0; i < 256; ++i)
    layout.palette[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3),
                         static_cast<BYTE>(i ^ 0x5A)};
  return layout;
}

inline MemoryStream StreamOf(const std::vector<std::uint8_t>& bytes) {
  return MemoryStream(bytes);
}

// A triangle-strip quad of four vertices around (x, y, 0), each given the palette slot `slot`.
inline std::vector<DxgVertex> Quad(float x, float y, float slot = 0.0f) {
  std::vector<DxgVertex> v(4);
  const float corners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  for (int i = 0; i < 4; ++i) {
    v[i].position = {x + corners[i][0], y + corners[i][1], 0.5f};
    v[i].normal = {0, 0, -1};
    v[i].u = corners[i][0];
    v[i].v = corners[i][1];
    v[i].slot = slot;
  }
  return v;
}

// A mesh of the vertices, drawn as one strip over them all.
inline DxgMesh MeshOf(const std::vector<DxgVertex>& vertices, std::uint32_t flags, std::uint32_t material = 0,
                      std::vector<float> scales = {}, float compressedPositionScale = 1.0f) {
  DxgMesh mesh;
  mesh.materialIndex = material;
  mesh.flags = flags;
  mesh.scales = std::move(scales);
  mesh.vertexCount = static_cast<std::uint16_t>(vertices.size());
  for (std::uint16_t i = 0; i < vertices.size(); ++i)
    mesh.indices.push_back(i);
  mesh.vertexBlock =
      EncodeDxgVertices(vertices, flags, compressedPositionScale, mesh.scale(1), mesh.scale(2));
  return mesh;
}

inline DxgBone BoneAt(const std::string& name, std::int32_t parent, Vector3 offset) {
  DxgBone bone;
  bone.name = name;
  bone.parent = parent;
  bone.local = MatrixTranslation(offset.x, offset.y, offset.z);
  return bone;
}

}  // namespace dravo::test
