#include "formats/dxg_file.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/byte_io.h"
#include "core/text.h"

namespace dravo {

std::uint32_t DxgVertexStride(std::uint32_t flags) {
  if (flags & kDxgCompressed) return (flags & kDxgFlag08) ? 21 : 13;
  std::uint32_t stride = 32;
  if (flags & kDxgFlag08) stride += 4;
  if (flags & kDxgFlag10) stride += 8;
  if (flags & kDxgBoneSlots) stride += 4;
  return stride;
}

namespace {

// The smallest mesh: material, flags, scale count, word, vertex and index counts.
constexpr std::size_t kMinMeshBytes = 18;

std::string At(const std::string& what, std::size_t offset) {
  return what + " at offset " + std::to_string(offset);
}

DxgMesh ReadMesh(ByteReader& r, int level, std::size_t index) {
  const std::size_t start = r.position();
  const std::string where = "mesh " + std::to_string(index) + " of level " + std::to_string(level);
  DxgMesh mesh;
  mesh.materialIndex = r.u32();
  mesh.flags = r.u32();
  if (mesh.compressed()) std::copy_n(r.bytes(32).begin(), 32, mesh.compressedHead.begin());
  const std::uint32_t scaleCount = r.u32();
  mesh.scaleWord = r.u16();
  if (!r.fits(scaleCount, 4))
    throw DxgFileError(At(where + ": its " + std::to_string(scaleCount) + " scales run past the end", start));
  mesh.scales.resize(scaleCount);
  for (float& s : mesh.scales)
    s = r.f32();
  if (mesh.compressed()) std::copy_n(r.bytes(16).begin(), 16, mesh.compressedTail.begin());
  mesh.vertexCount = r.u16();
  const std::uint16_t indexCount = r.u16();
  const std::uint64_t vertexBytes = std::uint64_t(mesh.vertexCount) * DxgVertexStride(mesh.flags);
  if (!r.fits(std::uint64_t(indexCount) * 2 + vertexBytes))
    throw DxgFileError(At(where + ": " + std::to_string(indexCount) + " indices and " +
                              std::to_string(mesh.vertexCount) + " vertices run past the end",
                          start));
  mesh.indices.resize(indexCount);
  for (std::uint16_t& i : mesh.indices)
    i = r.u16();
  const auto block = r.bytes(static_cast<std::size_t>(vertexBytes));
  mesh.vertexBlock.assign(block.begin(), block.end());
  return mesh;
}

void WriteMesh(ByteWriter& w, const DxgMesh& mesh) {
  w.u32(mesh.materialIndex);
  w.u32(mesh.flags);
  if (mesh.compressed()) w.bytes(mesh.compressedHead);
  w.u32(static_cast<std::uint32_t>(mesh.scales.size()));
  w.u16(mesh.scaleWord);
  for (float s : mesh.scales)
    w.f32(s);
  if (mesh.compressed()) w.bytes(mesh.compressedTail);
  w.u16(mesh.vertexCount);
  w.u16(static_cast<std::uint16_t>(mesh.indices.size()));
  for (std::uint16_t i : mesh.indices)
    w.u16(i);
  w.bytes(mesh.vertexBlock);
}

}  // namespace

DxgFile ParseDxgFile(std::span<const std::uint8_t> bytes, std::size_t* consumed) {
  DxgFile file;
  ByteReader r(bytes);
  try {
    const auto magic = r.bytes(4);
    std::copy_n(magic.begin(), 4, reinterpret_cast<std::uint8_t*>(file.magic.data()));
    std::size_t length = 0;
    while (length < 4 && magic[length] != 0)
      ++length;
    if (LowerAZ(std::string_view(file.magic.data(), length)) != "dxg")
      throw DxgFileError("not a model (no \"dxg\" mark)");
    file.headerWord = r.u32();
    const std::uint32_t boneCount = r.u32();
    if (!r.fits(boneCount, kDxgBoneRecordBytes))
      throw DxgFileError(At(std::to_string(boneCount) + " bones run past the end", 8));
    file.bones.resize(boneCount);
    for (DxgBone& bone : file.bones) {
      bone.name = r.fixedString(kDxgBoneNameBytes);
      for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
          bone.local.m[row][col] = r.f32();
      std::copy_n(r.bytes(24).begin(), 24, bone.reserved.begin());
      bone.positionScale = r.f32();
      bone.parent = r.i32();
    }

    const std::size_t namesAt = r.position();
    const std::uint32_t nameCount = r.u32();
    if (!r.fits(nameCount, kDxgMaterialNameBytes))
      throw DxgFileError(At(std::to_string(nameCount) + " material names run past the end", namesAt));
    file.materialNames.resize(nameCount);
    for (std::string& name : file.materialNames)
      name = r.fixedString(kDxgMaterialNameBytes);

    file.levelCount = r.u8();
    file.levelByte = r.u8();
    file.levelWord = r.u16();
    const std::size_t meshesAt = r.position();
    file.levels.assign(1, DxgLevel{});
    file.levels[0].word = r.u32();
    const std::uint32_t meshCount = r.u32();
    if (meshCount > kDxgMaxMeshes)
      throw DxgFileError(At(std::to_string(meshCount) + " meshes, more than the " +
                                std::to_string(kDxgMaxMeshes) + " a model may have",
                            meshesAt));
    for (std::uint32_t i = 0; i < meshCount; ++i)
      file.levels[0].meshes.push_back(ReadMesh(r, 0, i));

    for (int level = 1; level < file.levelCount; ++level) {
      DxgLevel& extra = file.levels.emplace_back();
      const std::size_t levelAt = r.position();
      extra.word = r.u32();
      const std::uint32_t count = r.u32();
      if (!r.fits(count, kMinMeshBytes))
        throw DxgFileError(
            At("level " + std::to_string(level) + ": " + std::to_string(count) + " meshes run past the end",
               levelAt));
      for (std::uint32_t i = 0; i < count; ++i)
        extra.meshes.push_back(ReadMesh(r, level, i));
    }

    file.trailerWord = r.u32();
    const std::size_t paletteAt = r.position();
    const std::uint32_t paletteLength = r.u32();
    if (!r.fits(paletteLength))
      throw DxgFileError(
          At("a palette of " + std::to_string(paletteLength) + " slots runs past the end", paletteAt));
    if (paletteLength > kDxgPaletteSlots ||
        (paletteLength < boneCount && paletteLength + kDxgPaletteCompletion.size() > kDxgPaletteSlots))
      throw DxgFileError(At("a palette of " + std::to_string(paletteLength) + " slots for " +
                                std::to_string(boneCount) + " bones does not fit in 256 slots",
                            paletteAt));
    const auto palette = r.bytes(paletteLength);
    file.palette.assign(palette.begin(), palette.end());
  } catch (const FormatError& e) {
    throw DxgFileError(std::string("the model is cut short: ") + e.what());
  }
  if (consumed) *consumed = r.position();
  return file;
}

std::vector<std::uint8_t> WriteDxgFile(const DxgFile& file) {
  ByteWriter w;
  for (char c : file.magic)
    w.u8(static_cast<std::uint8_t>(c));
  w.u32(file.headerWord);
  w.u32(static_cast<std::uint32_t>(file.bones.size()));
  for (const DxgBone& bone : file.bones) {
    w.fixedString(bone.name, kDxgBoneNameBytes);
    for (int row = 0; row < 4; ++row)
      for (int col = 0; col < 4; ++col)
        w.f32(bone.local.m[row][col]);
    w.bytes(bone.reserved);
    w.f32(bone.positionScale);
    w.i32(bone.parent);
  }
  w.u32(static_cast<std::uint32_t>(file.materialNames.size()));
  for (const std::string& name : file.materialNames)
    w.fixedString(name, kDxgMaterialNameBytes);
  w.u8(file.levelCount);
  w.u8(file.levelByte);
  w.u16(file.levelWord);
  // Level 0 is always there; further levels as many as the count says.
  const std::size_t levels = std::max<std::size_t>(1, file.levelCount);
  for (std::size_t level = 0; level < levels; ++level) {
    const DxgLevel empty;
    const DxgLevel& l = level < file.levels.size() ? file.levels[level] : empty;
    w.u32(l.word);
    w.u32(static_cast<std::uint32_t>(l.meshes.size()));
    for (const DxgMesh& mesh : l.meshes)
      WriteMesh(w, mesh);
  }
  w.u32(file.trailerWord);
  w.u32(static_cast<std::uint32_t>(file.palette.size()));
  w.bytes(file.palette);
  return w.release();
}

float DxgCompressedPositionScale(const DxgFile& file, const DxgMesh& mesh) {
  return file.bones.empty() ? 0.2f * mesh.scale(0) : file.bones[0].positionScale;
}

void DecodeDxgVertices(const DxgMesh& mesh, float compressedPositionScale, DxgVertex* out) {
  const std::size_t n = mesh.vertexCount;
  const std::uint8_t* p = mesh.vertexBlock.data();
  if (mesh.vertexBlock.size() < n * DxgVertexStride(mesh.flags)) return;
  if (mesh.compressed()) {
    const float normalScale = mesh.scale(1);
    const float coordinateScale = mesh.scale(2);
    for (std::size_t i = 0; i < n; ++i, p += 6) {
      out[i].position = {LoadI16(p) * compressedPositionScale / 32767.0f,
                         LoadI16(p + 2) * compressedPositionScale / 32767.0f,
                         LoadI16(p + 4) * compressedPositionScale / 32767.0f};
      out[i].slot = 0.0f;
    }
    for (std::size_t i = 0; i < n; ++i, p += 3)
      out[i].normal = {static_cast<std::int8_t>(p[0]) * normalScale / 127.0f,
                       static_cast<std::int8_t>(p[1]) * normalScale / 127.0f,
                       static_cast<std::int8_t>(p[2]) * normalScale / 127.0f};
    if (mesh.flags & kDxgFlag08) p += n * 4;
    for (std::size_t i = 0; i < n; ++i, p += 4) {
      out[i].u = LoadU16(p) * coordinateScale / 2047.0f;
      out[i].v = LoadU16(p + 2) * coordinateScale / 2047.0f;
    }
    return;
  }
  for (std::size_t i = 0; i < n; ++i, p += 12) {
    out[i].position = {LoadF32(p), LoadF32(p + 4), LoadF32(p + 8)};
    out[i].slot = 0.0f;
  }
  for (std::size_t i = 0; i < n; ++i, p += 12)
    out[i].normal = {LoadF32(p), LoadF32(p + 4), LoadF32(p + 8)};
  if (mesh.flags & kDxgFlag08) p += n * 4;
  for (std::size_t i = 0; i < n; ++i, p += 8) {
    out[i].u = LoadF32(p);
    out[i].v = LoadF32(p + 4);
  }
  if (mesh.flags & kDxgFlag10) p += n * 8;
  if (mesh.flags & kDxgBoneSlots)
    for (std::size_t i = 0; i < n; ++i, p += 4)
      out[i].slot = LoadF32(p);
}

namespace {

template <class T>
T Quantise(float value, float scale, float range) {
  if (scale == 0.0f || !std::isfinite(value)) return 0;
  const float q = std::nearbyint(value * range / scale);
  return static_cast<T>(std::clamp(q, static_cast<float>(std::numeric_limits<T>::min()),
                                   static_cast<float>(std::numeric_limits<T>::max())));
}

}  // namespace

std::vector<std::uint8_t> EncodeDxgVertices(std::span<const DxgVertex> vertices, std::uint32_t flags,
                                            float compressedPositionScale, float normalScale,
                                            float coordinateScale) {
  ByteWriter w;
  const std::vector<std::uint8_t> filler(vertices.size() * 8, 0xA5);
  auto fill = [&](std::size_t bytesPerVertex) {
    w.bytes(std::span(filler).first(vertices.size() * bytesPerVertex));
  };
  if (flags & kDxgCompressed) {
    for (const DxgVertex& v : vertices) {
      w.i16(Quantise<std::int16_t>(v.position.x, compressedPositionScale, 32767.0f));
      w.i16(Quantise<std::int16_t>(v.position.y, compressedPositionScale, 32767.0f));
      w.i16(Quantise<std::int16_t>(v.position.z, compressedPositionScale, 32767.0f));
    }
    for (const DxgVertex& v : vertices) {
      w.u8(static_cast<std::uint8_t>(Quantise<std::int8_t>(v.normal.x, normalScale, 127.0f)));
      w.u8(static_cast<std::uint8_t>(Quantise<std::int8_t>(v.normal.y, normalScale, 127.0f)));
      w.u8(static_cast<std::uint8_t>(Quantise<std::int8_t>(v.normal.z, normalScale, 127.0f)));
    }
    if (flags & kDxgFlag08) fill(4);
    for (const DxgVertex& v : vertices) {
      w.u16(Quantise<std::uint16_t>(v.u, coordinateScale, 2047.0f));
      w.u16(Quantise<std::uint16_t>(v.v, coordinateScale, 2047.0f));
    }
    if (flags & kDxgFlag08) fill(4);
    return w.release();
  }
  for (const DxgVertex& v : vertices) {
    w.f32(v.position.x);
    w.f32(v.position.y);
    w.f32(v.position.z);
  }
  for (const DxgVertex& v : vertices) {
    w.f32(v.normal.x);
    w.f32(v.normal.y);
    w.f32(v.normal.z);
  }
  if (flags & kDxgFlag08) fill(4);
  for (const DxgVertex& v : vertices) {
    w.f32(v.u);
    w.f32(v.v);
  }
  if (flags & kDxgFlag10) fill(8);
  if (flags & kDxgBoneSlots)
    for (const DxgVertex& v : vertices)
      w.f32(v.slot);
  return w.release();
}

void DxgBounds::add(Vector3 p) {
  min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
  max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
}

DxgBounds DxgModelBounds(const DxgFile& file) {
  DxgBounds bounds;
  std::vector<DxgVertex> vertices;
  for (const DxgMesh& mesh : file.levels.front().meshes) {
    if (mesh.vertexCount == 0 || mesh.indices.empty()) continue;
    vertices.resize(mesh.vertexCount);
    DecodeDxgVertices(mesh, DxgCompressedPositionScale(file, mesh), vertices.data());
    for (const DxgVertex& v : vertices)
      bounds.add(v.position);
  }
  return bounds;
}

}  // namespace dravo
