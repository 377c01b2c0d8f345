// dravo demo: write the demo game, a small installation of our own making.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli.h"
#include "core/error.h"
#include "demo/demo_game.h"

namespace dravo::cli {

namespace {

struct DemoArgs {
  std::string dir;
  std::uint32_t filler = 0;
};

void MakeDemo(const DemoArgs& args) {
  const std::filesystem::path dir = args.dir;
  std::error_code ec;
  if (std::filesystem::exists(dir, ec) && !std::filesystem::is_directory(dir, ec))
    throw InputError(args.dir, "not a folder");
  try {
    demo::WriteDemoGame(dir, {args.filler});
  } catch (const FileError& e) {
    throw InputError("", e.what());
  } catch (const std::filesystem::filesystem_error& e) {
    throw InputError(args.dir, "cannot be made: " + e.code().message());
  }
  std::printf("%s\n%s\n", (dir / "data" / "common.pak").string().c_str(),
              (dir / "data" / "tex.pak").string().c_str());
}

}  // namespace

void AddDemoCommands(CLI::App& app) {
  auto args = std::make_shared<DemoArgs>();
  CLI::App* demo = app.add_subcommand(
      "demo", "Write the demo game (DIR/data/common.pak and DIR/data/tex.pak), the same bytes every time");
  demo->add_option("DIR", args->dir, "folder of the game; made when missing")->required();
  demo->add_option("--filler", args->filler, "extra entries of realistic sizes in common.pak, for benchmarks")
      ->check(CLI::Range(0u, 1000000u));
  demo->callback([args] { MakeDemo(*args); });
}

const CommandGroup kGroup{"demo", AddDemoCommands};

}  // namespace dravo::cli
