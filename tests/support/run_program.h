#pragma once

// Runs a built program as a user would and captures what it says. POSIX only: the command-line
// tests run on Linux.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

struct ProgramResult {
  int code;  // the exit code; 127 when the program could not start, -1 when a signal ended it
  std::string out, err;
};

struct ProgramOptions {
  std::filesystem::path cwd;                                     // empty: this process's folder
  std::vector<std::pair<std::string, std::string>> environment;  // set over this process's variables
};

// Starts `program` (a path, not looked up) with `args` and no shell in between, its standard input
// empty, and waits for it to end.
inline ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                                const ProgramOptions& options = {}) {
  // Everything the child needs is built before the fork: after it, only async-signal-safe calls.
  const std::string path = program.string(), cwd = options.cwd.string();
  std::vector<std::string> argStore{path};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argStore)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<std::string> envStore;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const auto& [name, value] : options.environment)
      replaced = replaced || entry.rfind(name + "=", 0) == 0;
    if (!replaced) envStore.push_back(entry);
  }
  for (const auto& [name, value] : options.environment)
    envStore.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : envStore)
    envp.push_back(e.data());
  envp.push_back(nullptr);

  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) return {-1, "", "pipe failed"};
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return {-1, "", "pipe failed"};
  }
  const pid_t child = fork();
  if (child == 0) {
    static const char kCannotStart[] = "RunProgram: cannot start the program\n";
    const int nothing = open("/dev/null", O_RDONLY);
    if (nothing >= 0 && dup2(nothing, 0) >= 0 && dup2(outPipe[1], 1) >= 0 && dup2(errPipe[1], 2) >= 0 &&
        (cwd.empty() || chdir(cwd.c_str()) == 0))
      execve(path.c_str(), argv.data(), envp.data());
    [[maybe_unused]] const ssize_t said = write(2, kCannotStart, sizeof kCannotStart - 1);
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  ProgramResult result{-1, "", ""};
  if (child < 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    result.err = "fork failed";
    return result;
  }

  // Both pipes are drained together, so a program filling one while we wait on the other cannot stall.
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int live = 2;
  while (live > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --live;
      }
    }
  }
  for (const pollfd& f : fds) {
    if (f.fd >= 0) close(f.fd);
  }

  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return result;
  }
  result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}
