#pragma once

#include <CLI/CLI.hpp>
#include <stdexcept>
#include <string>

namespace dravo::cli {

// Bad input: "dravo: <file>: <what went wrong>", exit 1.
class InputError : public std::runtime_error {
 public:
  InputError(const std::string& file, const std::string& what)
      : std::runtime_error(file.empty() ? what : file + ": " + what) {}
};

// Each group of subcommands adds itself to the application here.
void AddPakCommands(CLI::App& app);
void AddResCommands(CLI::App& app);
void AddTexCommands(CLI::App& app);
void AddModelCommands(CLI::App& app);

}  // namespace dravo::cli
