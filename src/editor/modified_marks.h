#pragma once

// Which kinds of unsaved work exist (trick, textures): the bits behind the status bar's MODIFIED sign.

#include <cstdint>
#include <functional>

namespace dravo {

// Which kinds of edit are unsaved: bit 0 the trick, bit 1 the textures. The window shows
// a sign in its status bar while any is set; it repaints from the change callback.
class ModifiedMarks {
 public:
  static constexpr std::uint32_t Trick = 1;
  static constexpr std::uint32_t Textures = 2;
  using ChangeCallback = std::function<void(std::uint32_t marks)>;

  void setOnChange(ChangeCallback callback) { m_onChange = std::move(callback); }
  std::uint32_t value() const { return m_marks; }
  bool any() const { return m_marks != 0; }

  void MarkModified(std::uint32_t value);
  void ClearModifiedMark(std::uint32_t value);

 private:
  void set(std::uint32_t marks);

  std::uint32_t m_marks = 0;
  ChangeCallback m_onChange;
};

}  // namespace dravo
