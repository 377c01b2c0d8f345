#include "core/memory_stream.h"

#include <cstring>

namespace dravo {

std::size_t MemoryStream::read(void* out, std::size_t count) {
  const std::size_t n = std::min(count, remaining());
  if (n > 0) std::memcpy(out, m_bytes.data() + m_position, n);
  m_position += n;
  return n;
}

void MemoryStream::write(const void* data, std::size_t count) {
  if (count == 0) return;
  if (m_position + count > m_bytes.size()) m_bytes.resize(m_position + count);
  std::memcpy(m_bytes.data() + m_position, data, count);
  m_position += count;
}

}  // namespace dravo
