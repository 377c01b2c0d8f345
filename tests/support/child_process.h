#pragma once

// Work done in a forked child process, for tests of what other programs see: locks held by
// another process, a writer killed half-way, a process whose files may not grow.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>

// Runs `body` in a child and waits for it; its return value is the exit code, 128 + the signal
// when a signal ended it, 125 when it threw.
inline int RunInChild(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    int code = 125;
    try {
      code = body();
    } catch (...) {
    }
    _exit(code);
  }
  if (pid < 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// A child that does `hold` (takes a lock, say), tells the parent it has, and keeps what it holds
// until the parent lets it go or the object goes away.
class HoldingChild {
 public:
  explicit HoldingChild(const std::function<void()>& hold) {
    int ready[2], release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
      close(ready[0]);
      close(release[1]);
      try {
        hold();
      } catch (...) {
        _exit(3);
      }
      char c = 1;
      (void)!write(ready[1], &c, 1);
      (void)!read(release[0], &c, 1);  // returns when the parent closes its end
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    char c = 0;
    m_held = read(ready[0], &c, 1) == 1;
    close(ready[0]);
    m_release = release[1];
  }
  ~HoldingChild() { letGo(); }
  HoldingChild(const HoldingChild&) = delete;
  HoldingChild& operator=(const HoldingChild&) = delete;

  bool held() const { return m_held; }
  void letGo() {
    if (m_release >= 0) close(m_release);
    m_release = -1;
    if (m_pid > 0) {
      int status = 0;
      waitpid(m_pid, &status, 0);
    }
    m_pid = -1;
  }

 private:
  pid_t m_pid = -1;
  int m_release = -1;
  bool m_held = false;
};
