#pragma once

// The one error type every reader and writer throws: which file, where in it when known, and what
// is wrong. The kinds below it only say which part of the program found the fault.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dravo {

class Error : public std::runtime_error {
 public:
  // what() is "<file>: <problem>", with " at offset N" when the offset is known; without a file,
  // the problem alone.
  Error(const std::string& file, const std::string& problem,
        std::optional<std::uint64_t> offset = std::nullopt)
      : Error(Compose(file, problem, offset), file, problem, offset) {}

  // Empty when the error does not know its file (a parser over bytes in memory).
  const std::string& file() const { return m_file; }
  // What is wrong, without the file's name.
  const std::string& problem() const { return m_problem; }
  std::optional<std::uint64_t> offset() const { return m_offset; }
  // The line every front end prints after "dravo: ", naming `fallbackFile` when the error does
  // not know its file.
  std::string Describe(const std::string& fallbackFile = {}) const {
    return Compose(m_file.empty() ? fallbackFile : m_file, m_problem, m_offset);
  }

 protected:
  // For kinds whose what() is worded for a message box.
  Error(const std::string& message, const std::string& file, const std::string& problem,
        std::optional<std::uint64_t> offset)
      : std::runtime_error(message), m_file(file), m_problem(problem), m_offset(offset) {}

 private:
  static std::string Compose(const std::string& file, const std::string& problem,
                             std::optional<std::uint64_t> offset) {
    std::string text = file.empty() ? problem : file + ": " + problem;
    if (offset) text += " at offset " + std::to_string(*offset);
    return text;
  }

  std::string m_file;
  std::string m_problem;
  std::optional<std::uint64_t> m_offset;
};

// A file that cannot be opened, created or written. what() is the message the window shows:
// "Cannot open file X" or "Cannot create file X", then the reason when one is known
// ("Cannot create file X: No space left on device"); the problem is the command line's
// "cannot be opened: <reason>" or "cannot be written: <reason>".
class FileError : public Error {
 public:
  explicit FileError(const std::string& message) : Error(message, {}, message, std::nullopt) {}
  FileError(std::string_view what, const std::string& file, const std::string& reason)
      : FileError(what, file, reason, CommandLineProblem(what, reason)) {}

  static FileError cannotOpen(const std::string& name, const std::string& reason = {}) {
    return FileError("Cannot open file", name, reason);
  }
  static FileError cannotCreate(const std::string& name, const std::string& reason = {}) {
    return FileError("Cannot create file", name, reason);
  }
  static FileError cannotWrite(const std::string& name, const std::string& reason = {}) {
    return FileError("Cannot write file", name, reason);
  }

  // The system's or the reader's reason; empty when the error was made from a whole message.
  const std::string& reason() const { return m_reason; }

 protected:
  FileError(std::string_view what, const std::string& file, const std::string& reason,
            const std::string& problem)
      : Error(Compose(what, file, reason), file, problem, std::nullopt), m_reason(reason) {}

 private:
  static std::string Compose(std::string_view what, const std::string& file, const std::string& reason) {
    std::string message(what);
    message += ' ';
    message += file;
    if (!reason.empty()) message += ": " + reason;
    return message;
  }
  static std::string CommandLineProblem(std::string_view what, const std::string& reason) {
    std::string problem = what.starts_with("Cannot open file") ? "cannot be opened" : "cannot be written";
    if (!reason.empty()) problem += ": " + reason;
    return problem;
  }

  std::string m_reason;
};

// The system's words for an error number ("No space left on device").
std::string SystemReason(int error);

}  // namespace dravo
