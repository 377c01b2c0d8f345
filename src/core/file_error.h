#pragma once

// The error thrown when a file cannot be opened, read or written, with the system's reason.

#include <stdexcept>
#include <string>
#include <string_view>

namespace dravo {

// A file that cannot be opened, created or written. The message is the one the user sees:
// "Cannot open file X" or "Cannot create file X", then the reason when one is known
// ("Cannot create file X: No space left on device").
class FileError : public std::runtime_error {
 public:
  explicit FileError(const std::string& message) : std::runtime_error(message) {}
  FileError(std::string_view what, const std::string& file, const std::string& reason)
      : std::runtime_error(Compose(what, file, reason)), m_file(file), m_reason(reason) {}

  static FileError cannotOpen(const std::string& name, const std::string& reason = {}) {
    return FileError("Cannot open file", name, reason);
  }
  static FileError cannotCreate(const std::string& name, const std::string& reason = {}) {
    return FileError("Cannot create file", name, reason);
  }
  static FileError cannotWrite(const std::string& name, const std::string& reason = {}) {
    return FileError("Cannot write file", name, reason);
  }

  // Empty when the error was made from a whole message.
  const std::string& file() const { return m_file; }
  const std::string& reason() const { return m_reason; }

 private:
  static std::string Compose(std::string_view what, const std::string& file, const std::string& reason) {
    std::string message(what);
    message += ' ';
    message += file;
    if (!reason.empty()) message += ": " + reason;
    return message;
  }

  std::string m_file;
  std::string m_reason;
};

// The system's words for an error number ("No space left on device").
std::string SystemReason(int error);

}  // namespace dravo
