#pragma once

// What the fuzz targets share: a property check that names its line and stops as any finding does,
// and a scratch path of the process's own for targets that go through files.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace dravo::fuzz {

inline void Require(bool ok, const char* file, int line) {
  if (ok) return;
  std::fprintf(stderr, "%s:%d: the property does not hold\n", file, line);
  __builtin_trap();
}

// "<temporary folder>/dravo-<name>-<pid>": a folder of the process's own for targets that go through
// files, made at once and removed with everything in it when the process ends.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name)
      : m_path(std::filesystem::temp_directory_path() /
               ("dravo-" + name + "-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(m_path);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

}  // namespace dravo::fuzz

#define FUZZ_REQUIRE(ok) ::dravo::fuzz::Require((ok), __FILE__, __LINE__)
