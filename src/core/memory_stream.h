#pragma once

// A growable byte buffer with a position, read and written like a file.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dravo {

// A growable byte buffer with a read/write position. Every resource read hands its
// result over in one of these, positioned at 0.
class MemoryStream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}

  std::size_t size() const { return m_bytes.size(); }
  // Grows with zeros or truncates; the position is kept, even past the end.
  void setSize(std::size_t size) { m_bytes.resize(size); }
  std::size_t position() const { return m_position; }
  void setPosition(std::size_t position) { m_position = position; }
  bool atEnd() const { return m_position >= m_bytes.size(); }
  std::size_t remaining() const { return atEnd() ? 0 : m_bytes.size() - m_position; }

  // Reads up to `count` bytes; returns how many were read.
  std::size_t read(void* out, std::size_t count);
  // Writes at the position, growing the buffer as needed.
  void write(const void* data, std::size_t count);
  void write(std::span<const std::uint8_t> data) { write(data.data(), data.size()); }
  void write(const std::string& text) { write(text.data(), text.size()); }

  void clear() {
    m_bytes.clear();
    m_position = 0;
  }

  std::span<const std::uint8_t> bytes() const { return m_bytes; }
  std::span<std::uint8_t> bytes() { return m_bytes; }
  std::uint8_t* data() { return m_bytes.data(); }
  const std::uint8_t* data() const { return m_bytes.data(); }
  const std::vector<std::uint8_t>& vector() const { return m_bytes; }
  std::vector<std::uint8_t> release() {
    m_position = 0;
    return std::move(m_bytes);
  }
  std::string text() const { return std::string(m_bytes.begin(), m_bytes.end()); }

 private:
  std::vector<std::uint8_t> m_bytes;
  std::size_t m_position = 0;
};

}  // namespace dravo
