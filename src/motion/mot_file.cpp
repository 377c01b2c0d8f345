#include "motion/mot_file.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "core/byte_io.h"
#include "core/text.h"
#include "motion/axis_angle.h"

namespace dravo {

namespace {

constexpr std::size_t kTrackHeaderSize = 8;

// The first of up to `headers` track headers from `start` that carries `part`.
std::optional<TMOTfile::TrackRef> ScanTracks(std::span<const std::uint8_t> bytes, std::size_t start,
                                             std::int32_t headers, std::size_t keySize, std::int32_t part) {
  ByteReader r(bytes, std::min(start, bytes.size()));
  for (std::int32_t i = 0; i < headers; ++i) {
    if (!r.fits(kTrackHeaderSize)) return std::nullopt;
    const std::int32_t keyCount = r.i32();
    const std::int32_t trackPart = r.i32();
    if (trackPart == part) return TMOTfile::TrackRef{r.position(), keyCount};
    if (keyCount < 0 || !r.fits(static_cast<std::uint64_t>(keyCount), keySize)) return std::nullopt;
    r.skip(static_cast<std::size_t>(keyCount) * keySize);
  }
  return std::nullopt;
}

}  // namespace

std::uint64_t TMOTfile::PoseTableBytes(std::int32_t parts, std::int32_t frames) {
  const auto p = static_cast<std::uint64_t>(std::max(parts, 1));
  const auto f = static_cast<std::uint64_t>(std::max(frames, 0));
  return p * f * 2 * sizeof(Matrix);
}

void TMOTfile::LoadMotion(const MemoryStream& source) {
  LoadMotion(source.bytes());
}

void TMOTfile::LoadMotion(std::span<const std::uint8_t> bytes) {
  // Copy first: the source may be this motion's own bytes.
  std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
  static_cast<MemoryStream&>(*this) = MemoryStream(std::move(copy));
  Parse();
}

void TMOTfile::Reject(std::string reason) {
  m_valid = false;
  m_reason = std::move(reason);
}

void TMOTfile::Parse() {
  m_valid = false;
  m_reason.clear();
  m_version = 0;
  m_headerWords = {};
  m_parameters = {};
  m_names = {};
  m_frames = 0;
  m_parts = 0;
  m_rotationTracksStart = 0;
  m_positionTracksStart = 0;

  // Offsets are 32-bit throughout the format.
  if (size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    return Reject("the file is too large to be a motion");
  ByteReader r(bytes());
  try {
    if (!r.fits(4)) return Reject("the file is too short to be a motion");
    const std::int32_t version = r.i32();
    if (version != -7 && version != -6 && version != -3)
      return Reject("unsupported motion version " + std::to_string(version));
    m_version = version;
    const bool longForm = version != -3;

    if (!r.fits(longForm ? 3 : 2, 4)) return Reject("the motion header is cut short");
    for (int i = 0; i < (longForm ? 3 : 2); ++i)
      m_headerWords[i] = r.i32();
    m_frames = longForm ? m_headerWords[1] : m_headerWords[0];
    m_parts = longForm ? m_headerWords[2] : m_headerWords[1];
    if (m_parts < 0) return Reject("negative part count " + std::to_string(m_parts));
    if (m_parts > kMaxParts)
      return Reject(std::to_string(m_parts) + " parts; a motion holds at most " + std::to_string(kMaxParts));
    if (m_frames < 0) return Reject("negative frame count " + std::to_string(m_frames));
    // Each frame costs every part two matrices in the pose table; a count beyond the file's
    // size cannot describe keys and would only make that table huge.
    if (static_cast<std::size_t>(m_frames) > size())
      return Reject("frame count " + std::to_string(m_frames) + " is larger than the file");
    if (const std::uint64_t pose = PoseTableBytes(m_parts, m_frames); pose > kMaxPoseTableBytes) {
      constexpr std::uint64_t kMB = std::uint64_t{1} << 20;
      return Reject(std::to_string(m_frames) + " frames of " + std::to_string(m_parts) +
                    (m_parts == 1 ? " part" : " parts") + " would take " +
                    std::to_string((pose + kMB - 1) / kMB) + " MB to edit; a motion may take at most " +
                    std::to_string(kMaxPoseTableBytes / kMB) + " MB");
    }

    for (std::int32_t i = 0; i < m_parts; ++i) {
      const std::string part = "part " + std::to_string(i);
      if (!r.fits(4)) return Reject("the name of " + part + " is cut short");
      const std::int32_t length = r.i32();
      if (length < 0) return Reject(part + " has a negative name length (" + std::to_string(length) + ")");
      if (!r.fits(static_cast<std::uint64_t>(length)))
        return Reject("the name of " + part + " runs past the end of the file");
      const auto name = r.bytes(static_cast<std::size_t>(length));
      std::memcpy(m_names[i].data(), name.data(), std::min<std::size_t>(name.size(), kNameSlotSize - 1));
    }

    const int words = longForm ? 7 : 5;
    if (!r.fits(words, 4)) return Reject("the parameter block is cut short");
    for (int i = 0; i < words; ++i)
      m_parameters[i] = r.i32();

    m_positionTracksStart = static_cast<std::int32_t>(r.position());
    const std::int32_t tracks = PositionTrackCount();
    for (std::int32_t t = 0; t < tracks; ++t) {
      const std::string track = "position track " + std::to_string(t);
      if (!r.fits(kTrackHeaderSize)) return Reject(track + " runs past the end of the file");
      const std::int32_t keyCount = r.i32();
      r.skip(4);
      if (keyCount < 0) return Reject(track + " has a negative key count (" + std::to_string(keyCount) + ")");
      if (!r.fits(static_cast<std::uint64_t>(keyCount), kPositionKeySize))
        return Reject(track + " runs past the end of the file");
      r.skip(static_cast<std::size_t>(keyCount) * kPositionKeySize);
    }
    m_rotationTracksStart = static_cast<std::int32_t>(r.position());

    // The number of rotation tracks is not stored; at most one per part is examined, and
    // the list may end early with the file.
    const std::size_t keySize = static_cast<std::size_t>(KeyLayout().size);
    for (std::int32_t t = 0; t < m_parts && r.fits(kTrackHeaderSize); ++t) {
      const std::string track = "rotation track " + std::to_string(t);
      const std::int32_t keyCount = r.i32();
      r.skip(4);
      if (keyCount < 0) return Reject(track + " has a negative key count (" + std::to_string(keyCount) + ")");
      if (!r.fits(static_cast<std::uint64_t>(keyCount), keySize))
        return Reject(track + " runs past the end of the file");
      r.skip(static_cast<std::size_t>(keyCount) * keySize);
    }
  } catch (const FormatError& e) {
    return Reject(e.what());
  }
  m_valid = true;
}

std::int32_t TMOTfile::FrameCount() const {
  return m_valid ? m_frames : 0;
}

std::int32_t TMOTfile::PartCount() const {
  return m_valid ? m_parts : 0;
}

std::string TMOTfile::PartName(std::int32_t part) const {
  if (part < 0 || part >= PartCount()) return {};
  const auto& slot = m_names[part];
  return std::string(slot.begin(), std::find(slot.begin(), slot.end(), '\0'));
}

std::int32_t TMOTfile::FindPart(std::string_view name) const {
  for (std::int32_t i = 0; i < PartCount(); ++i)
    if (SameTextAZ(PartName(i), name)) return i;
  return -1;
}

bool TMOTfile::HasPositionTrack(std::int32_t part) const {
  return FindPositionTrack(part).has_value();
}

std::optional<TMOTfile::TrackRef> TMOTfile::FindRotationTrack(std::int32_t part) const {
  if (part < 0 || part >= PartCount()) return std::nullopt;
  return ScanTracks(bytes(), static_cast<std::size_t>(m_rotationTracksStart), m_parts,
                    static_cast<std::size_t>(KeyLayout().size), part);
}

std::optional<TMOTfile::TrackRef> TMOTfile::FindPositionTrack(std::int32_t part) const {
  if (part < 0 || part >= PartCount() || PositionTrackCount() < 1) return std::nullopt;
  return ScanTracks(bytes(), static_cast<std::size_t>(m_positionTracksStart), PositionTrackCount(),
                    kPositionKeySize, part);
}

std::optional<std::size_t> TMOTfile::KeyIn(const std::optional<TrackRef>& track, std::int32_t frame,
                                           std::size_t keySize) const {
  if (!track || frame < 0 || frame >= track->keyCount) return std::nullopt;
  const std::size_t key = track->keys + static_cast<std::size_t>(frame) * keySize;
  if (!KeyFits(key, keySize)) return std::nullopt;
  return key;
}

std::optional<std::size_t> TMOTfile::RotationKeyIn(const std::optional<TrackRef>& track,
                                                   std::int32_t frame) const {
  return KeyIn(track, frame, static_cast<std::size_t>(KeyLayout().size));
}

std::optional<std::size_t> TMOTfile::PositionKeyIn(const std::optional<TrackRef>& track,
                                                   std::int32_t frame) const {
  return KeyIn(track, frame, kPositionKeySize);
}

std::optional<std::size_t> TMOTfile::FindRotationKey(std::int32_t part, std::int32_t frame) const {
  return RotationKeyIn(FindRotationTrack(part), frame);
}

std::optional<std::size_t> TMOTfile::FindPositionKey(std::int32_t part, std::int32_t frame) const {
  return PositionKeyIn(FindPositionTrack(part), frame);
}

bool TMOTfile::KeyFits(std::size_t key, std::size_t keySize) const {
  return m_valid && key <= size() && keySize <= size() - key;
}

Matrix TMOTfile::RotationAt(std::size_t key) const {
  const RotationKeyLayout layout = KeyLayout();
  if (!KeyFits(key, static_cast<std::size_t>(layout.size))) return IdentityMatrix();
  const AxisAngle r = DecodeRotationKey(data() + key, layout);
  return MatrixRotationAxis(r.axis, r.angle);
}

Vector3 TMOTfile::PositionAt(std::size_t key) const {
  if (!KeyFits(key, kPositionKeySize)) return {};
  const std::uint8_t* p = data() + key;
  return {LoadF32(p + 4), LoadF32(p + 8), LoadF32(p + 12)};
}

void TMOTfile::SetRotationAt(std::size_t key, const Matrix& m) {
  const RotationKeyLayout layout = KeyLayout();
  if (!KeyFits(key, static_cast<std::size_t>(layout.size))) return;
  EncodeRotationKey(data() + key, layout, MatrixToAxisAngle(m));
}

void TMOTfile::SetPositionAt(std::size_t key, float x, float y, float z) {
  if (!KeyFits(key, kPositionKeySize)) return;
  std::uint8_t* p = data() + key;
  StoreF32(p + 4, x);
  StoreF32(p + 8, y);
  StoreF32(p + 12, z);
}

Matrix TMOTfile::GetRotation(std::int32_t part, std::int32_t frame) const {
  const auto key = FindRotationKey(part, frame);
  return key ? RotationAt(*key) : IdentityMatrix();
}

Vector3 TMOTfile::GetPosition(std::int32_t part, std::int32_t frame) const {
  const auto key = FindPositionKey(part, frame);
  return key ? PositionAt(*key) : Vector3{};
}

void TMOTfile::SetRotation(std::int32_t part, std::int32_t frame, const Matrix& m) {
  if (const auto key = FindRotationKey(part, frame)) SetRotationAt(*key, m);
}

void TMOTfile::SetPosition(std::int32_t part, std::int32_t frame, float x, float y, float z) {
  if (const auto key = FindPositionKey(part, frame)) SetPositionAt(*key, x, y, z);
}

}  // namespace dravo
