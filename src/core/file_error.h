#pragma once

#include <stdexcept>
#include <string>

namespace dravo {

// A file that cannot be opened or created. The message is the one the user sees.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;

  static FileError cannotOpen(const std::string& name) { return FileError("Cannot open file " + name); }
  static FileError cannotCreate(const std::string& name) { return FileError("Cannot create file " + name); }
};

}  // namespace dravo
