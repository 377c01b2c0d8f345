#include "editor/modified_marks.h"

namespace dravo {

void ModifiedMarks::MarkModified(std::uint32_t value) {
  set(m_marks | value);
}
void ModifiedMarks::ClearModifiedMark(std::uint32_t value) {
  set(m_marks & ~value);
}

void ModifiedMarks::set(std::uint32_t marks) {
  if (marks == m_marks) return;
  m_marks = marks;
  if (m_onChange) m_onChange(m_marks);
}

}  // namespace dravo
