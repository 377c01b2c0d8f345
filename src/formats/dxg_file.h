#pragma once

// The game's ".dxg" model file on bytes alone: bones, material names, detail levels of meshes (triangle
// strips over structure-of-arrays vertex blocks, plain or quantised) and the bone palette. The parser
// checks every count against the bytes there are; the model loads from what it returns, the tools show
// it, and the writer makes fixtures and the demo game's models.

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/error.h"

#include "core/maths.h"

namespace dravo {

// Mesh flags.
inline constexpr std::uint32_t kDxgCompressed = 0x2000;  // quantised vertices
inline constexpr std::uint32_t kDxgFlag08 = 0x08;        // an ignored array after the normals (and, when
                                                         // quantised, another after the coordinates)
inline constexpr std::uint32_t kDxgFlag10 = 0x10;        // plain: an ignored pair after the coordinates
inline constexpr std::uint32_t kDxgBoneSlots = 0x40;     // plain: a palette slot per vertex

inline constexpr std::size_t kDxgBoneRecordBytes = 224;
inline constexpr std::size_t kDxgBoneNameBytes = 128;
inline constexpr std::size_t kDxgMaterialNameBytes = 64;
// The loader keeps a table of this many level-0 meshes and a palette of 256 slots.
inline constexpr std::uint32_t kDxgMaxMeshes = 100;
inline constexpr std::size_t kDxgPaletteSlots = 256;
// What the palette completion writes after the file's own palette when it names fewer slots than bones.
inline constexpr std::array<std::uint8_t, 13> kDxgPaletteCompletion = {7,  8,  10, 12, 25, 32, 37,
                                                                       41, 42, 25, 32, 41, 42};

// Bytes per vertex of a mesh with these flags.
std::uint32_t DxgVertexStride(std::uint32_t flags);

// A model file the reader refuses; the message says what is wrong.
class DxgFileError : public Error {
 public:
  explicit DxgFileError(const std::string& problem) : Error({}, problem) {}
};

struct DxgBone {
  std::string name;  // at most 127 characters
  Matrix local = IdentityMatrix();
  std::array<std::uint8_t, 24> reserved{};  // bytes 192-215, not interpreted
  float positionScale = 1.0f;               // bone 0's scales quantised positions
  std::int32_t parent = -1;
};

struct DxgMesh {
  std::uint32_t materialIndex = 0;  // taken modulo the number of names
  std::uint32_t flags = 0;
  std::array<std::uint8_t, 32> compressedHead{};  // quantised meshes only, not interpreted
  std::uint16_t scaleWord = 0;                    // not interpreted
  std::vector<float> scales;                      // position, normal, coordinate; more are ignored
  std::array<std::uint8_t, 16> compressedTail{};  // quantised meshes only, not interpreted
  std::uint16_t vertexCount = 0;
  std::vector<std::uint16_t> indices;     // one triangle strip, counted from the mesh's first vertex
  std::vector<std::uint8_t> vertexBlock;  // vertexCount × DxgVertexStride(flags) bytes

  // The scale the file gives at `index`, 1.0 when it gives none.
  float scale(std::size_t index) const { return index < scales.size() ? scales[index] : 1.0f; }
  bool compressed() const { return (flags & kDxgCompressed) != 0; }
};

struct DxgLevel {
  std::uint32_t word = 0;  // not interpreted
  std::vector<DxgMesh> meshes;
};

struct DxgFile {
  std::array<char, 4> magic = {'d', 'x', 'g', 0};
  std::uint32_t headerWord = 0;
  std::vector<DxgBone> bones;
  std::vector<std::string> materialNames;  // each at most 63 characters
  std::uint8_t levelCount = 1;             // as stored; 0 and 1 both mean level 0 alone
  std::uint8_t levelByte = 0;              // not interpreted
  std::uint16_t levelWord = 0;             // not interpreted
  // Level 0 first, then levels 1 ... levelCount-1 (which the model skips).
  std::vector<DxgLevel> levels = {DxgLevel{}};
  std::uint32_t trailerWord = 0;
  std::vector<std::uint8_t> palette;  // bone index per palette slot
};

// Parses a model. Refuses (DxgFileError, naming the place) a wrong magic, counts that run past the end,
// more than 100 level-0 meshes and a palette that with its completion would pass 256 slots. `consumed`
// gets the number of bytes the model takes.
DxgFile ParseDxgFile(std::span<const std::uint8_t> bytes, std::size_t* consumed = nullptr);
std::vector<std::uint8_t> WriteDxgFile(const DxgFile& file);

// One vertex as the model uses it.
struct DxgVertex {
  Vector3 position;
  Vector3 normal;
  float u = 0.0f;
  float v = 0.0f;
  float slot = 0.0f;  // the palette slot (plain meshes with kDxgBoneSlots)
};

// The factor quantised positions are multiplied by (after dividing by 32767): bone 0's position scale when
// the model has bones, else 0.2 × the mesh's position scale.
float DxgCompressedPositionScale(const DxgFile& file, const DxgMesh& mesh);
// Decodes the mesh's vertex block into `out` (vertexCount entries).
void DecodeDxgVertices(const DxgMesh& mesh, float compressedPositionScale, DxgVertex* out);
// Encodes vertices into a block for `flags`, quantising when kDxgCompressed is set (with the mesh's
// normal and coordinate scales). The ignored arrays are filled with 0xA5 bytes.
std::vector<std::uint8_t> EncodeDxgVertices(std::span<const DxgVertex> vertices, std::uint32_t flags,
                                            float compressedPositionScale, float normalScale,
                                            float coordinateScale);

// The bounding box of the vertices the model loads (level-0 meshes with vertices and indices), min then
// max; the loader's starting values when there are none.
struct DxgBounds {
  Vector3 min{1000000.0f, 1000000.0f, 1000000.0f};
  Vector3 max{-10000000.0f, -10000000.0f, -10000000.0f};
  void add(Vector3 p);
};
DxgBounds DxgModelBounds(const DxgFile& file);

}  // namespace dravo
