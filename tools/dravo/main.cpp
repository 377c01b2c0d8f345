#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "cli.h"

namespace dravo::cli {
namespace {
std::map<std::string, AddCommands>& Groups() {
  static std::map<std::string, AddCommands> groups;
  return groups;
}
}  // namespace

CommandGroup::CommandGroup(const char* name, AddCommands add) {
  Groups()[name] = std::move(add);
}

InputError FileProblem(const FileError& e, const std::string& file) {
  // Made from a whole message: it says everything itself.
  if (e.file().empty() && e.reason().empty()) return InputError("", e.problem());
  return InputError(e.file().empty() ? file : e.file(), e.problem());
}

void AddAllCommandGroups(CLI::App& app) {
  for (const auto& [name, add] : Groups())
    add(app);
}
}  // namespace dravo::cli

int main(int argc, char** argv) {
  CLI::App app{"dravo: archives, motions, textures and models of MVA, from the command line"};
  app.name("dravo");
  app.require_subcommand(1);
  app.set_version_flag("--version", "dravo 0.1.0");
  dravo::cli::AddAllCommandGroups(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "dravo: %s\n", e.what());
    return 2;
  } catch (const dravo::cli::AlreadyReported&) {
    return 1;
  } catch (const dravo::Error& e) {
    // Every reader and writer says which file and what is wrong the same way.
    std::fprintf(stderr, "dravo: %s\n", e.Describe().c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dravo: %s\n", e.what());
    return 1;
  }
  return 0;
}
