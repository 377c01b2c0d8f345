#include "core/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>

#include "core/error.h"

namespace dravo {

namespace fs = std::filesystem;

std::string SystemReason(int error) {
  return std::generic_category().message(error);
}

namespace {

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// A folder opens for reading here; it is not a file we can read.
int OpenFileForReading(const fs::path& path) {
  const int fd = OpenRetrying(path.c_str(), O_RDONLY);
  if (fd < 0) throw FileError::cannotOpen(path.string(), SystemReason(errno));
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw FileError::cannotOpen(path.string(), SystemReason(EISDIR));
  }
  return fd;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::int64_t Nanoseconds(const struct timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FileIdentity IdentityOfStat(const struct stat& st) {
  FileIdentity id;
  id.exists = true;
  id.regular = S_ISREG(st.st_mode);
  id.device = static_cast<std::uint64_t>(st.st_dev);
  id.inode = static_cast<std::uint64_t>(st.st_ino);
  id.size = static_cast<std::uint64_t>(st.st_size);
  id.modifiedNs = Nanoseconds(st.st_mtim);
  id.changedNs = Nanoseconds(st.st_ctim);
  return id;
}

fs::path FolderOf(const fs::path& file) {
  return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
  BinaryFile file = BinaryFile::openRead(path);
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  for (std::uint64_t offset = 0;;) {
    const std::size_t got = file.readAt(offset, chunk, sizeof chunk);
    if (got == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
    offset += got;
  }
  return bytes;
}

std::vector<std::uint8_t> ReadFileRange(const fs::path& path, std::uint64_t offset, std::uint64_t size) {
  BinaryFile file = BinaryFile::openRead(path);
  std::vector<std::uint8_t> bytes;
  const std::uint64_t length = file.size();
  if (offset < length) {
    bytes.resize(static_cast<std::size_t>(std::min(size, length - offset)));
    bytes.resize(file.readAt(offset, bytes.data(), bytes.size()));
  }
  return bytes;
}

std::uint64_t FileSizeOrZero(const fs::path& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  return ec ? 0 : size;
}

BinaryFile BinaryFile::openRead(const fs::path& path) {
  return BinaryFile(path, OpenFileForReading(path));
}

BinaryFile BinaryFile::openUpdate(const fs::path& path) {
  const int fd = OpenRetrying(path.c_str(), O_RDWR);
  if (fd < 0) throw FileError::cannotOpen(path.string(), SystemReason(errno));
  return BinaryFile(path, fd);
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_fd(std::exchange(other.m_fd, -1)) {}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
  if (this != &other) {
    close();
    m_path = std::move(other.m_path);
    m_fd = std::exchange(other.m_fd, -1);
  }
  return *this;
}

BinaryFile::~BinaryFile() {
  close();
}

void BinaryFile::close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

std::uint64_t BinaryFile::size() const {
  struct stat st {};
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return 0;
  return static_cast<std::uint64_t>(st.st_size);
}

FileIdentity BinaryFile::identity() const {
  struct stat st {};
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return {};
  return IdentityOfStat(st);
}

std::size_t BinaryFile::readAt(std::uint64_t offset, void* out, std::size_t count) {
  if (m_fd < 0) return 0;
  std::size_t done = 0;
  auto* bytes = static_cast<std::uint8_t*>(out);
  while (done < count) {
    const ssize_t n = ::pread(m_fd, bytes + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

void BinaryFile::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw FileError::cannotWrite(m_path.string(), SystemReason(n < 0 ? errno : ENOSPC));
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(m_fd) != 0) throw FileError::cannotWrite(m_path.string(), SystemReason(errno));
}

// ---- Identity and locking ----

FileIdentity IdentityOf(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return IdentityOfStat(st);
}

std::chrono::milliseconds DefaultLockWait() {
  if (const char* text = std::getenv("DRAVO_LOCK_WAIT_MS")) {
    char* end = nullptr;
    const long ms = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && ms >= 0) return std::chrono::milliseconds(ms);
  }
  return std::chrono::milliseconds(5000);
}

namespace {

// The descriptor a name hands over as a stream rather than a file to replace ("/dev/stdout",
// "/dev/fd/3"), or -1.
int StreamDescriptor(const fs::path& path) {
  const std::string text = path.string();
  if (text == "/dev/stdout") return 1;
  if (text == "/dev/stderr") return 2;
  for (const std::string prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    if (text.rfind(prefix, 0) != 0 || text.size() == prefix.size()) continue;
    const std::string digits = text.substr(prefix.size());
    if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoi(digits);
  }
  return -1;
}

// flock with a deadline; false when another holder kept it all along.
bool LockBefore(int fd, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool SameFile(int fd, const fs::path& path) {
  struct stat held {
  }, named{};
  return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

}  // namespace

FileWriteLock::FileWriteLock(const fs::path& file, std::chrono::milliseconds wait) {
  struct stat st {};
  if (StreamDescriptor(file) >= 0 || (::stat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode))) return;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  const auto busy = [&] {
    return FileError::cannotCreate(file.string(), "it is being written by another program");
  };
  for (;;) {
    int fd = OpenRetrying(file.c_str(), O_RDONLY);
    if (fd >= 0) {
      if (!LockBefore(fd, deadline)) {
        ::close(fd);
        throw busy();
      }
      // The writer we waited for may have put a new file under the name: lock that one.
      if (SameFile(fd, file)) {
        m_fd = fd;
        return;
      }
      ::close(fd);
      continue;
    }
    if (errno != ENOENT) throw FileError::cannotOpen(file.string(), SystemReason(errno));
    // Nothing to lock yet: the folder stands for the file until someone creates it.
    fd = OpenRetrying(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) throw FileError::cannotCreate(file.string(), SystemReason(errno));
    if (!LockBefore(fd, deadline)) {
      ::close(fd);
      throw busy();
    }
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 && errno == ENOENT) {
      m_fd = fd;
      return;
    }
    ::close(fd);
  }
}

FileWriteLock::FileWriteLock(FileWriteLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FileWriteLock::~FileWriteLock() {
  if (m_fd >= 0) ::close(m_fd);  // closing drops the lock
}

// ---- Replacing a file ----

namespace {

constexpr const char* kTemporarySuffix = ".dravo-part";

// "." + name + "." + pid + "-" + serial + ".dravo-part", the name cut so the whole fits a folder entry.
std::string TemporaryPrefix(const std::string& fileName) {
  constexpr std::size_t kRoom = 255 - 1 - 1 - 10 - 1 - 10 - 11;
  return "." + fileName.substr(0, kRoom) + ".";
}

// A temporary of ours left by a writer that is gone: the exact shape of our names, a process
// id that no longer runs, and no lock held on it (the writer holds one while it writes).
bool IsDeadTemporary(const fs::path& folder, const std::string& name, const std::string& prefix) {
  const std::size_t suffixLength = std::strlen(kTemporarySuffix);
  if (name.size() <= prefix.size() + suffixLength || name.compare(0, prefix.size(), prefix) != 0)
    return false;
  if (name.compare(name.size() - suffixLength, suffixLength, kTemporarySuffix) != 0) return false;
  const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - suffixLength);
  const std::size_t dash = middle.find('-');
  if (dash == 0 || dash == std::string::npos || dash > 10 || dash + 1 == middle.size()) return false;
  if (middle.find_first_not_of("0123456789") != dash) return false;
  if (middle.find_first_not_of("0123456789", dash + 1) != std::string::npos) return false;
  const long pid = std::strtol(middle.substr(0, dash).c_str(), nullptr, 10);
  if (pid <= 0 || pid == ::getpid()) return false;
  if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) return false;
  const int fd = OpenRetrying((folder / name).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  const bool dead = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return dead;
}

// A save killed half-way leaves its temporary behind; the next save of the same file removes
// those whose writers are gone. Nothing else is ever touched.
void RemoveDeadTemporaries(const fs::path& target) {
  const std::string prefix = TemporaryPrefix(target.filename().string());
  const fs::path folder = FolderOf(target);
  std::error_code ec;
  fs::directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (IsDeadTemporary(folder, name, prefix)) ::unlink((folder / name).c_str());
  }
}

// Follows a chain of symbolic links to the name of the file they end at, which need not exist.
fs::path FollowLinks(const fs::path& target) {
  fs::path path = target;
  for (int depth = 0; depth < 40; ++depth) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    const fs::path next = fs::read_symlink(path, ec);
    if (ec) return path;
    path = next.is_absolute() ? next : FolderOf(path) / next;
  }
  throw FileError::cannotCreate(target.string(), SystemReason(ELOOP));
}

bool SyncFolder(const fs::path& folder) {
  const int fd = OpenRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  ::close(fd);
  return ok;
}

// Copies a file into a new file made for it; false with errno set when that fails.
bool CopyInto(const fs::path& from, int to) {
  const int in = OpenRetrying(from.c_str(), O_RDONLY);
  if (in < 0) return false;
  std::vector<std::uint8_t> buffer(1 << 20);
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(n))) {
      if (errno == 0) errno = ENOSPC;
      ok = false;
      break;
    }
  }
  const int saved = errno;
  ::close(in);
  if (ok && ::fsync(to) != 0) return false;
  errno = saved;
  return ok;
}

}  // namespace

fs::path TemporaryNameFor(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  return FolderOf(target) / (TemporaryPrefix(target.filename().string()) + std::to_string(::getpid()) + "-" +
                             std::to_string(counter++) + kTemporarySuffix);
}

AtomicFileWriter::AtomicFileWriter(fs::path target, fs::path backup)
    : m_named(std::move(target)), m_backup(std::move(backup)) {
  if (const int stream = StreamDescriptor(m_named); stream >= 0) {
    // The caller's own stream, as the shell opened it (appending, say): written where it points.
    m_target = m_named;
    const int fd = ::fcntl(stream, F_DUPFD_CLOEXEC, 3);
    if (fd < 0) fail(m_named, errno);
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
      ::close(fd);
      fail(m_named, errno);
    }
    return;
  }
  m_target = FollowLinks(m_named);
  // Beside a followed link the backup follows the file it keeps.
  if (!m_backup.empty() && m_target != m_named) {
    m_backup = FolderOf(m_target) / m_target.filename().replace_extension(m_backup.extension());
  }

  struct stat st {};
  const bool exists = ::stat(m_target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) fail(m_named, EISDIR);
  if (exists && !S_ISREG(st.st_mode)) {
    // A FIFO, a device or a terminal takes the bytes as they come; there is nothing to replace.
    const int fd = OpenRetrying(m_target.c_str(), O_WRONLY | O_NOCTTY);
    if (fd < 0) fail(m_named, errno);
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
      ::close(fd);
      fail(m_named, errno);
    }
    return;
  }
  if (exists) {
    // The old program could not open a read-only file for writing: neither may we replace it.
    if ((st.st_mode & 0222) == 0) fail(m_named, "the file is read-only");
    if (::access(m_target.c_str(), W_OK) != 0) fail(m_named, errno);
  }

  RemoveDeadTemporaries(m_target);
  m_temporary = TemporaryNameFor(m_target);
  const int fd = OpenRetrying(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, exists ? 0600 : 0666);
  if (fd < 0) {
    m_temporary.clear();
    fail(m_named, errno);
  }
  // Held until the temporary is renamed or removed: proof to other savers that we still write it.
  ::flock(fd, LOCK_EX | LOCK_NB);
  if (exists) {
    // The owner first: changing it may clear the set-id bits that the mode then restores.
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
      if (::fchown(fd, st.st_uid, st.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
    }
    ::fchmod(fd, st.st_mode & 07777);
  }
  m_file = ::fdopen(fd, "wb");
  if (!m_file) {
    const int error = errno;
    ::close(fd);
    fail(m_named, error);
  }
}

AtomicFileWriter::~AtomicFileWriter() {
  if (m_file) std::fclose(m_file);
  m_file = nullptr;
  if (!m_committed) discardTemporary();
}

void AtomicFileWriter::discardTemporary() {
  if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
  m_temporary.clear();
}

void AtomicFileWriter::fail(const fs::path& file, int error) {
  fail(file, SystemReason(error));
}

void AtomicFileWriter::fail(const fs::path& file, const std::string& reason) {
  if (m_file) std::fclose(m_file);
  m_file = nullptr;
  discardTemporary();
  throw FileError::cannotCreate(file.string(), reason);
}

void AtomicFileWriter::write(const void* data, std::size_t size) {
  if (!m_file) fail(m_named, EBADF);
  if (size > 0 && std::fwrite(data, 1, size, m_file) != size) fail(m_named, errno ? errno : EIO);
}

void AtomicFileWriter::copyFrom(BinaryFile& source, std::uint64_t offset, std::uint64_t count) {
  if (!m_file) fail(m_named, EBADF);
  const auto ended = [&] {
    fail(m_named, "\"" + source.path().string() + "\" ended before byte " + std::to_string(offset + count));
  };
  if (count == 0) return;
  if (std::fflush(m_file) != 0) fail(m_named, errno);
  const int out = ::fileno(m_file);
  auto from = static_cast<off_t>(offset);
  std::uint64_t left = count;
  while (m_kernelCopy && left > 0) {
    const ssize_t n = ::copy_file_range(source.m_fd, &from, out, nullptr, left, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                  errno == EBADF || errno == ETXTBSY)) {
      m_kernelCopy = false;  // a pipe, an old kernel or another file system: copy through memory
      break;
    }
    if (n < 0) fail(m_named, errno);
    if (n == 0) ended();
    left -= static_cast<std::uint64_t>(n);
  }
  if (left == 0) return;
  m_copyBuffer.resize(std::size_t{1} << 20);
  while (left > 0) {
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, m_copyBuffer.size()));
    const std::size_t n = source.readAt(static_cast<std::uint64_t>(from), m_copyBuffer.data(), chunk);
    if (n == 0) ended();
    write(m_copyBuffer.data(), n);
    from += static_cast<off_t>(n);
    left -= n;
  }
}

void AtomicFileWriter::keepBackup(const ReplaceHook& hook) {
  // The backup is made under a temporary name and renamed over the old one, so the previous
  // backup stays whole until the new one is.
  const fs::path staging = TemporaryNameFor(m_backup);
  int linkError = 0;
  try {
    if (hook) hook(ReplaceStep::BackupLinking);
    if (::link(m_target.c_str(), staging.c_str()) != 0) linkError = errno;
  } catch (const std::system_error& e) {
    linkError = e.code().value();
  }
  if (linkError != 0) {
    // No hard links here (or across this file system): a full copy, checked to the last byte.
    const int fd = OpenRetrying(staging.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) fail(m_backup, errno);
    struct stat st {};
    if (::stat(m_target.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 0777);
    const bool copied = CopyInto(m_target, fd);
    const int error = errno;
    ::close(fd);
    if (!copied) {
      ::unlink(staging.c_str());
      fail(m_backup, error ? error : EIO);
    }
  }
  if (::rename(staging.c_str(), m_backup.c_str()) != 0) {
    const int error = errno;
    ::unlink(staging.c_str());
    fail(m_backup, error);
  }
  // A backup that already was the target (a save killed after keeping it) is left as it is by the
  // rename, and so is the staging name.
  ::unlink(staging.c_str());
}

void AtomicFileWriter::commit(const ReplaceHook& hook) {
  if (!m_file) fail(m_named, EBADF);
  try {
    if (hook) hook(ReplaceStep::TemporaryWritten);
    if (m_temporary.empty()) {
      // Written directly: flushing is all there is.
      const bool flushed = std::fflush(m_file) == 0;
      const int error = errno;
      const bool closed = std::fclose(m_file) == 0;
      m_file = nullptr;
      if (!flushed || !closed) fail(m_named, error ? error : EIO);
      m_committed = true;
      return;
    }
    if (std::fflush(m_file) != 0 || ::fsync(::fileno(m_file)) != 0) fail(m_named, errno);
    if (std::fclose(m_file) != 0) {
      m_file = nullptr;
      fail(m_named, errno);
    }
    m_file = nullptr;
    if (hook) hook(ReplaceStep::TemporaryFlushed);
    struct stat st {};
    if (!m_backup.empty() && m_backup != m_target && ::stat(m_target.c_str(), &st) == 0) keepBackup(hook);
    if (hook) hook(ReplaceStep::BackupRotated);
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) fail(m_named, errno);
    m_temporary.clear();
    m_committed = true;
    SyncFolder(FolderOf(m_target));
    if (hook) hook(ReplaceStep::Renamed);
  } catch (const FileError&) {
    throw;
  } catch (...) {
    if (!m_committed) fail(m_named, "the save was interrupted");
    throw;
  }
}

void WriteFileAtomic(const fs::path& target, std::span<const std::uint8_t> bytes, const fs::path& backup) {
  AtomicFileWriter writer(target, backup);
  writer.write(bytes);
  writer.commit();
}

}  // namespace dravo
