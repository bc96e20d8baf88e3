// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace kestramo::testing {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs kestramo-cli on a vault with the given arguments and standard input; optionally
// sends it Ctrl-C after `interruptAfter`.
class CliRunner {
 public:
  explicit CliRunner(std::filesystem::path vault) : vault_(std::move(vault)) {}

  CliResult Run(const std::vector<std::string>& args, const std::string& input = "",
                std::chrono::milliseconds interruptAfter = std::chrono::milliseconds(-1)) const {
    std::vector<std::string> all = {KESTRAMO_CLI, "--vault", vault_.string()};
    all.insert(all.end(), args.begin(), args.end());
    return RunAs(all, input, interruptAfter);
  }

  // Runs a command line as it is (argv[0] first), in `workDir` when one is given.
  static CliResult RunAs(std::vector<std::string> all, const std::string& input = "",
                         std::chrono::milliseconds interruptAfter = std::chrono::milliseconds(-1),
                         const std::filesystem::path& workDir = {}) {
    int in[2], out[2], err[2];
    if (::pipe(in) || ::pipe(out) || ::pipe(err)) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) ::_exit(127);
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::dup2(err[1], 2);
      for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
      std::vector<char*> argv;
      for (auto& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    (void)!::write(in[1], input.data(), input.size());
    ::close(in[1]);
    std::thread interrupter;
    if (interruptAfter.count() >= 0) {
      interrupter = std::thread([pid, interruptAfter] {
        std::this_thread::sleep_for(interruptAfter);
        ::kill(pid, SIGINT);
      });
    }
    CliResult r;
    std::thread errReader([&] { r.err = Drain(err[0]); });
    r.out = Drain(out[0]);
    errReader.join();
    if (interrupter.joinable()) interrupter.join();  // before reaping: a zombie's pid cannot be reused
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
  }

  // Runs the command on a pseudo-terminal, as a user at a keyboard would: `typed` is
  // written to it whole; the result's `out` holds all the terminal showed.
  CliResult RunOnTerminal(const std::vector<std::string>& args, const std::string& typed) const {
    std::vector<std::string> all = {KESTRAMO_CLI, "--vault", vault_.string()};
    all.insert(all.end(), args.begin(), args.end());
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0) return {};
    if (pid == 0) {
      std::vector<char*> argv;
      for (auto& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    (void)!::write(terminal, typed.data(), typed.size());
    CliResult r;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(terminal, buffer, sizeof buffer)) > 0) r.out.append(buffer, static_cast<size_t>(n));
    ::close(terminal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
  }

 private:
  static std::string Drain(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    ::close(fd);
    return text;
  }
  std::filesystem::path vault_;
};

}  // namespace kestramo::testing
