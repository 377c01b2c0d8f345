#pragma once

// Little-endian reading and writing over byte spans, every read checked against the end.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/error.h"

namespace dravo {

// Raised when a reader would go past the bytes it has: the file is truncated or not
// what it claims to be. Carries the offset for the message.
class FormatError : public Error {
 public:
  FormatError(const std::string& what, std::size_t offset) : Error({}, what, offset) {}
  std::size_t offset() const { return static_cast<std::size_t>(*Error::offset()); }
};

// Little-endian loads and stores that never assume the host's byte order.
inline std::uint16_t LoadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadU32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}
inline std::int16_t LoadI16(const std::uint8_t* p) {
  return static_cast<std::int16_t>(LoadU16(p));
}
inline std::int32_t LoadI32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(LoadU32(p));
}
inline float LoadF32(const std::uint8_t* p) {
  return std::bit_cast<float>(LoadU32(p));
}

inline void StoreU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}
inline void StoreI16(std::uint8_t* p, std::int16_t v) {
  StoreU16(p, static_cast<std::uint16_t>(v));
}
inline void StoreI32(std::uint8_t* p, std::int32_t v) {
  StoreU32(p, static_cast<std::uint32_t>(v));
}
inline void StoreF32(std::uint8_t* p, float v) {
  StoreU32(p, std::bit_cast<std::uint32_t>(v));
}

// The one bounds-checked reader every format uses. A count read from a file is a
// claim: check it with need() or fits() before allocating or looping on it.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes, std::size_t position = 0)
      : m_bytes(bytes), m_position(position) {}

  std::size_t size() const { return m_bytes.size(); }
  std::size_t position() const { return m_position; }
  std::size_t remaining() const { return m_position < m_bytes.size() ? m_bytes.size() - m_position : 0; }
  bool atEnd() const { return remaining() == 0; }
  void seek(std::size_t position) {
    if (position > m_bytes.size()) throw FormatError("seek past the end", position);
    m_position = position;
  }

  // True when `count` items of `itemSize` bytes fit in what is left, without overflow.
  bool fits(std::uint64_t count, std::uint64_t itemSize = 1) const {
    if (itemSize != 0 && count > UINT64_MAX / itemSize) return false;
    return count * itemSize <= remaining();
  }
  void need(std::uint64_t count, std::uint64_t itemSize = 1) const {
    if (!fits(count, itemSize)) throw FormatError("unexpected end of data", m_position);
  }

  std::uint8_t u8() {
    need(1);
    return m_bytes[m_position++];
  }
  std::uint16_t u16() { return LoadU16(take(2)); }
  std::uint32_t u32() { return LoadU32(take(4)); }
  std::int16_t i16() { return LoadI16(take(2)); }
  std::int32_t i32() { return LoadI32(take(4)); }
  float f32() { return LoadF32(take(4)); }
  std::span<const std::uint8_t> bytes(std::size_t count) { return {take(count), count}; }
  void skip(std::size_t count) { take(count); }
  // A fixed-size text field, cut at its first zero byte.
  std::string fixedString(std::size_t fieldSize) {
    const auto field = bytes(fieldSize);
    std::size_t n = 0;
    while (n < field.size() && field[n] != 0)
      ++n;
    return std::string(reinterpret_cast<const char*>(field.data()), n);
  }

 private:
  const std::uint8_t* take(std::size_t count) {
    need(count);
    const std::uint8_t* p = m_bytes.data() + m_position;
    m_position += count;
    return p;
  }

  std::span<const std::uint8_t> m_bytes;
  std::size_t m_position;
};

// Appends little-endian values to a byte vector; the writers of every format use it.
class ByteWriter {
 public:
  ByteWriter() = default;
  explicit ByteWriter(std::vector<std::uint8_t> start) : m_bytes(std::move(start)) {}

  void u8(std::uint8_t v) { m_bytes.push_back(v); }
  void u16(std::uint16_t v) { StoreU16(grow(2), v); }
  void u32(std::uint32_t v) { StoreU32(grow(4), v); }
  void i16(std::int16_t v) { StoreI16(grow(2), v); }
  void i32(std::int32_t v) { StoreI32(grow(4), v); }
  void f32(float v) { StoreF32(grow(4), v); }
  void bytes(std::span<const std::uint8_t> data) { m_bytes.insert(m_bytes.end(), data.begin(), data.end()); }
  void text(const std::string& s) { m_bytes.insert(m_bytes.end(), s.begin(), s.end()); }
  void zeros(std::size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }
  // A text field of fixed size, zero-filled; the text is cut to leave room for a terminator.
  void fixedString(const std::string& s, std::size_t fieldSize) {
    std::uint8_t* p = grow(fieldSize);
    std::memset(p, 0, fieldSize);
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result): the field was zero-filled above
    std::memcpy(p, s.data(), std::min(s.size(), fieldSize > 0 ? fieldSize - 1 : 0));
  }
  void patchU32(std::size_t at, std::uint32_t v) { StoreU32(m_bytes.data() + at, v); }

  std::size_t size() const { return m_bytes.size(); }
  const std::vector<std::uint8_t>& data() const { return m_bytes; }
  std::vector<std::uint8_t> release() { return std::move(m_bytes); }

 private:
  std::uint8_t* grow(std::size_t n) {
    m_bytes.resize(m_bytes.size() + n);
    return m_bytes.data() + m_bytes.size() - n;
  }

  std::vector<std::uint8_t> m_bytes;
};

}  // namespace dravo
