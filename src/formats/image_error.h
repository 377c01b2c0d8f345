#pragma once

// The error thrown for an image file that cannot be read or written.

#include <stdexcept>
#include <string>

namespace dravo {

// An image file the readers refuse: it is damaged, truncated or of a kind they do not read.
// The message names the file and the fault, ready to show.
class ImageFileError : public std::runtime_error {
 public:
  ImageFileError(const std::string& file, const std::string& fault)
      : std::runtime_error(file + ": " + fault), m_file(file), m_fault(fault) {}
  const std::string& file() const { return m_file; }
  const std::string& fault() const { return m_fault; }

 private:
  std::string m_file;
  std::string m_fault;
};

}  // namespace dravo
