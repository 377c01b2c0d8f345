#pragma once

// The error thrown for an image file that cannot be read or written.

#include <stdexcept>
#include <string>

#include "core/error.h"

namespace dravo {

// An image file the readers refuse: it is damaged, truncated or of a kind they do not read.
// The message names the file and the fault, ready to show.
class ImageFileError : public Error {
 public:
  ImageFileError(const std::string& file, const std::string& fault) : Error(file, fault) {}
  const std::string& fault() const { return problem(); }
};

}  // namespace dravo
