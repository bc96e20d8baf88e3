// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace kestramo::testing {

// The crash-safety helper program running as a child, its stdout on a pipe.
struct HelperChild {
  pid_t pid = -1;
  int out = -1;
  std::string seen;  // what it has written so far, when read before the kill
};

inline HelperChild StartHelper(std::initializer_list<std::string> args) {
  std::vector<std::string> words{KESTRAMO_TEST_HELPER};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  int fds[2];
  if (::pipe(fds) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], 1);
    ::close(fds[0]);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  return {pid, fds[0], {}};
}

// Blocks until the child has reported `count` committed steps, or has ended. Waiting for them
// keeps the kills landing mid-work when start-up is slow (as under the sanitizers).
inline void WaitForReports(HelperChild& child, std::size_t count) {
  char buffer[256];
  while (static_cast<std::size_t>(std::count(child.seen.begin(), child.seen.end(), '\n')) < count) {
    const ssize_t n = ::read(child.out, buffer, sizeof buffer);
    if (n <= 0) return;
    child.seen.append(buffer, static_cast<size_t>(n));
  }
}

inline void WaitForFirstReport(HelperChild& child) { WaitForReports(child, 1); }

// Kills the child, reaps it and returns the last number it reported as committed.
inline int KillAndReadLastCommitted(const HelperChild& child, int previous) {
  ::kill(child.pid, SIGKILL);
  int status = 0;
  ::waitpid(child.pid, &status, 0);
  std::string text = child.seen;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(child.out, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  ::close(child.out);
  int last = previous;
  const std::size_t end = text.rfind('\n');
  if (end != std::string::npos) {
    const std::size_t start = end == 0 ? std::string::npos : text.rfind('\n', end - 1);
    last = std::stoi(text.substr(start == std::string::npos ? 0 : start + 1));
  }
  return last;
}

}  // namespace kestramo::testing
