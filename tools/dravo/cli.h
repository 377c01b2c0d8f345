#pragma once

// What the dravo command groups share: registration, input errors and how file problems are printed.

#include <CLI/CLI.hpp>
#include <functional>
#include <stdexcept>
#include <string>

#include "core/error.h"

namespace dravo::cli {

// Bad input: "dravo: <file>: <what went wrong>", exit 1.
class InputError : public Error {
 public:
  InputError(const std::string& file, const std::string& what) : Error(file, what) {}
};

// A file that could not be read or written, in the form above: "<file>: cannot be opened: No such
// file or directory", "<file>: cannot be written: Permission denied". `file` names it when the
// error does not.
InputError FileProblem(const FileError& e, const std::string& file = {});

// The command has already said on standard error what went wrong: exit 1 without another word.
class AlreadyReported : public std::runtime_error {
 public:
  AlreadyReported() : std::runtime_error("already reported") {}
};

// Each group of subcommands lives in its own cmd_*.cpp and registers itself with a
// file-scope `const CommandGroup group{"name", AddXxxCommands};`; main adds them by name.
using AddCommands = std::function<void(CLI::App&)>;
struct CommandGroup {
  CommandGroup(const char* name, AddCommands add);
};
void AddAllCommandGroups(CLI::App& app);

}  // namespace dravo::cli
