#pragma once

// A motion file (TMOTfile): the keyed rotation and position tracks of a trick, read and written.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/maths.h"
#include "core/memory_stream.h"
#include "motion/mot_keys.h"

namespace dravo {

// One motion file of the game, kept byte for byte as it was read. Only the header, the
// part names and where the two track lists start are parsed; keys are read and written
// in place, so an edited motion keeps the size and layout of the one it came from and
// can go back over the game's own archive entry.
//
// Every key access scans the track headers from the start of its list. A motion that
// is not valid (unknown version or counts that do not fit its bytes) has no parts, no
// frames and no keys; nothing is ever read or written outside the bytes.
class TMOTfile : public MemoryStream {
 public:
  static constexpr int kMaxParts = 30;
  static constexpr int kNameSlotSize = 80;  // 79 characters and a terminator
  // The most the pose table of one motion may take. 64 MB holds 30 parts of more than 17,000
  // frames (nineteen minutes at 15 frames a second, where a trick lasts seconds); a header alone
  // could otherwise ask for gigabytes, and a motion that cannot be edited is refused at load.
  static constexpr std::uint64_t kMaxPoseTableBytes = std::uint64_t{64} << 20;
  // What the pose table of a motion takes: two matrices per part and frame. A motion without
  // parts counts as one part: its frames still drive the frame bar, playback and GIF export.
  static std::uint64_t PoseTableBytes(std::int32_t parts, std::int32_t frames);

  // Replaces the bytes with a copy of the whole source (from its start) and parses them.
  void LoadMotion(const MemoryStream& source);
  void LoadMotion(std::span<const std::uint8_t> bytes);

  bool IsValid() const { return m_valid; }
  // Why the motion cannot be used, one sentence for the user; empty when it is valid.
  const std::string& InvalidReason() const { return m_reason; }

  // The file's version, or 0 when it is not one of -7, -6 and -3.
  std::int32_t Version() const { return m_version; }
  // (header word, F, P) for versions -7 and -6; (F, P, 0) for version -3.
  const std::array<std::int32_t, 3>& HeaderWords() const { return m_headerWords; }
  // As read: the float, the wide-key flag, the axis-order flag, T, then uninterpreted words.
  const std::array<std::int32_t, 7>& ParameterBlock() const { return m_parameters; }
  std::int32_t PositionTracksStart() const { return m_positionTracksStart; }
  std::int32_t RotationTracksStart() const { return m_rotationTracksStart; }

  std::int32_t FrameCount() const;
  std::int32_t PartCount() const;
  bool WideKeys() const { return m_parameters[1] != 0; }
  bool AxisOrder() const { return m_parameters[2] != 0; }
  std::int32_t PositionTrackCount() const { return m_parameters[3]; }
  RotationKeyLayout KeyLayout() const { return RotationLayout(WideKeys(), AxisOrder()); }

  // Empty for an index outside 0 … P-1.
  std::string PartName(std::int32_t part) const;
  // First part whose name matches with A-Z folded; -1 when none.
  std::int32_t FindPart(std::string_view name) const;
  bool HasPositionTrack(std::int32_t part) const;

  // Identity when the motion has no such key.
  Matrix GetRotation(std::int32_t part, std::int32_t frame) const;
  // (0, 0, 0) when the motion has no such key.
  Vector3 GetPosition(std::int32_t part, std::int32_t frame) const;
  // Writes angle and axis from the matrix's upper 3×3; nothing when there is no such key.
  void SetRotation(std::int32_t part, std::int32_t frame, const Matrix& m);
  // Nothing when there is no such key.
  void SetPosition(std::int32_t part, std::int32_t frame, float x, float y, float z);

  // A track found by scanning: the stream offset of its first key and its key count.
  struct TrackRef {
    std::size_t keys = 0;
    std::int32_t keyCount = 0;
  };
  // The first track of the list that carries `part`; a scan stops where a header or its
  // keys would run past the bytes.
  std::optional<TrackRef> FindRotationTrack(std::int32_t part) const;
  std::optional<TrackRef> FindPositionTrack(std::int32_t part) const;
  // The stream offset of a key, if the motion has it: frame 0 … K-1 of the track found.
  std::optional<std::size_t> RotationKeyIn(const std::optional<TrackRef>& track, std::int32_t frame) const;
  std::optional<std::size_t> PositionKeyIn(const std::optional<TrackRef>& track, std::int32_t frame) const;
  std::optional<std::size_t> FindRotationKey(std::int32_t part, std::int32_t frame) const;
  std::optional<std::size_t> FindPositionKey(std::int32_t part, std::int32_t frame) const;
  // Key access at a known offset; an offset whose key does not fit the bytes reads as
  // identity or zero and is not written.
  Matrix RotationAt(std::size_t key) const;
  Vector3 PositionAt(std::size_t key) const;
  void SetRotationAt(std::size_t key, const Matrix& m);
  void SetPositionAt(std::size_t key, float x, float y, float z);

 private:
  void Parse();
  void Reject(std::string reason);
  bool KeyFits(std::size_t key, std::size_t size) const;
  std::optional<std::size_t> KeyIn(const std::optional<TrackRef>& track, std::int32_t frame,
                                   std::size_t keySize) const;

  bool m_valid = false;
  std::string m_reason = "no motion loaded";
  std::int32_t m_version = 0;
  std::array<std::int32_t, 3> m_headerWords{};
  std::array<std::int32_t, 7> m_parameters{};
  std::array<std::array<char, kNameSlotSize>, kMaxParts> m_names{};
  std::int32_t m_frames = 0;
  std::int32_t m_parts = 0;
  std::int32_t m_rotationTracksStart = 0;
  std::int32_t m_positionTracksStart = 0;
};

}  // namespace dravo
