#include "core/file_io.h"

#include <atomic>
#include <cerrno>
#include <system_error>
#include <utility>

#include "core/file_error.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <csignal>
#include <unistd.h>
#endif

namespace dravo {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw FileError::cannotOpen(path.string());
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + n);
  const bool bad = std::ferror(f) != 0;
  std::fclose(f);
  if (bad) throw FileError::cannotOpen(path.string());
  return bytes;
}

std::vector<std::uint8_t> ReadFileRange(const fs::path& path, std::uint64_t offset, std::uint64_t size) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw FileError::cannotOpen(path.string());
  std::vector<std::uint8_t> bytes;
  const std::uint64_t length = FileSizeOrZero(path);
  if (offset < length) {
    bytes.resize(static_cast<std::size_t>(std::min(size, length - offset)));
    if (fseeko(f, static_cast<off_t>(offset), SEEK_SET) != 0) {
      bytes.clear();
    } else {
      bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    }
  }
  std::fclose(f);
  return bytes;
}

std::uint64_t FileSizeOrZero(const fs::path& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  return ec ? 0 : size;
}

BinaryFile BinaryFile::openRead(const fs::path& path) {
  std::error_code ec;
  // fopen succeeds on folders here; a folder is not a file we can read.
  if (fs::is_directory(path, ec)) throw FileError::cannotOpen(path.string());
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw FileError::cannotOpen(path.string());
  return BinaryFile(path, f);
}

BinaryFile BinaryFile::openUpdate(const fs::path& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) throw FileError::cannotOpen(path.string());
  std::FILE* f = std::fopen(path.c_str(), "r+b");
  if (!f) throw FileError::cannotOpen(path.string());
  return BinaryFile(path, f);
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_file(std::exchange(other.m_file, nullptr)) {}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
  if (this != &other) {
    close();
    m_path = std::move(other.m_path);
    m_file = std::exchange(other.m_file, nullptr);
  }
  return *this;
}

BinaryFile::~BinaryFile() {
  close();
}

void BinaryFile::close() {
  if (m_file) std::fclose(m_file);
  m_file = nullptr;
}

bool BinaryFile::seek(std::uint64_t offset) {
  if (!m_file) return false;
#ifndef _WIN32
  return fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) == 0;
#else
  return _fseeki64(m_file, static_cast<long long>(offset), SEEK_SET) == 0;
#endif
}

std::uint64_t BinaryFile::size() const {
  if (!m_file) return 0;
#ifndef _WIN32
  struct stat st {};
  if (::fstat(::fileno(m_file), &st) != 0) return 0;
  return static_cast<std::uint64_t>(st.st_size);
#else
  return FileSizeOrZero(m_path);
#endif
}

std::size_t BinaryFile::readAt(std::uint64_t offset, void* out, std::size_t count) {
  if (count == 0 || !seek(offset)) return 0;
  return std::fread(out, 1, count, m_file);
}

void BinaryFile::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  const auto failed = [&] { return FileError("Cannot write file " + m_path.string()); };
  if (!seek(offset)) throw failed();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) throw failed();
  if (std::fflush(m_file) != 0) throw failed();
#ifndef _WIN32
  if (::fsync(::fileno(m_file)) != 0) throw failed();
#endif
}

namespace {

fs::path TemporaryNameFor(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  std::string name = "." + target.filename().string() + ".tmp";
#ifndef _WIN32
  name += std::to_string(::getpid());
#endif
  name += "." + std::to_string(counter++);
  return target.parent_path() / name;
}

// A save killed half-way leaves its temporary behind. Those of processes that no longer run are
// removed before the next save of the same file; a live writer's temporary is never touched.
void RemoveDeadTemporaries(const fs::path& target) {
#ifndef _WIN32
  const std::string prefix = "." + target.filename().string() + ".tmp";
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  std::error_code ec;
  fs::directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string rest = name.substr(prefix.size());
    const std::size_t dot = rest.find('.');
    if (dot == 0 || dot == std::string::npos || dot > 9) continue;
    if (rest.find_first_not_of("0123456789") != dot) continue;
    if (rest.size() == dot + 1 || rest.find_first_not_of("0123456789", dot + 1) != std::string::npos) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(rest.substr(0, dot)));
    if (pid <= 0 || pid == ::getpid()) continue;
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
    std::error_code removeError;
    fs::remove(it->path(), removeError);
  }
#else
  (void)target;
#endif
}

bool SyncFile(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
#ifndef _WIN32
  return ::fsync(::fileno(f)) == 0;
#else
  return true;
#endif
}

void SyncFolder(const fs::path& folder) {
#ifndef _WIN32
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
#else
  (void)folder;
#endif
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(fs::path target, fs::path backup)
    : m_target(std::move(target)), m_backup(std::move(backup)), m_temporary(TemporaryNameFor(m_target)) {
  RemoveDeadTemporaries(m_target);
  m_file = std::fopen(m_temporary.c_str(), "wb");
  if (!m_file) throw FileError::cannotCreate(m_target.string());
}

AtomicFileWriter::~AtomicFileWriter() {
  if (m_file) std::fclose(m_file);
  if (!m_committed) {
    std::error_code ec;
    fs::remove(m_temporary, ec);
  }
}

void AtomicFileWriter::fail() {
  if (m_file) {
    std::fclose(m_file);
    m_file = nullptr;
  }
  std::error_code ec;
  fs::remove(m_temporary, ec);
  throw FileError::cannotCreate(m_target.string());
}

void AtomicFileWriter::write(const void* data, std::size_t size) {
  if (!m_file) fail();
  if (size > 0 && std::fwrite(data, 1, size, m_file) != size) fail();
}

void AtomicFileWriter::commit(const ReplaceHook& hook) {
  if (!m_file) fail();
  const bool synced = SyncFile(m_file);
  const bool closed = std::fclose(m_file) == 0;
  m_file = nullptr;
  if (!synced || !closed) fail();
  try {
    if (hook) hook(ReplaceStep::TemporaryWritten);
    std::error_code ec;
    if (!m_backup.empty() && fs::exists(m_target, ec)) {
      // The previous backup goes; the target stays where it is and is also reachable
      // as the backup, so a crash at any moment leaves a complete file under the name.
      fs::remove(m_backup, ec);
      fs::create_hard_link(m_target, m_backup, ec);
      if (ec) fs::copy_file(m_target, m_backup, fs::copy_options::overwrite_existing, ec);
    }
    if (hook) hook(ReplaceStep::BackupRotated);
    fs::rename(m_temporary, m_target, ec);
    if (ec) fail();
    m_committed = true;
    SyncFolder(m_target.parent_path());
    if (hook) hook(ReplaceStep::Renamed);
  } catch (const FileError&) {
    throw;
  } catch (...) {
    fail();
  }
}

void WriteFileAtomic(const fs::path& target, std::span<const std::uint8_t> bytes, const fs::path& backup) {
  AtomicFileWriter writer(target, backup);
  writer.write(bytes);
  writer.commit();
}

}  // namespace dravo
