// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/race.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace kestramo::bench {

namespace {

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

Cost Shell(const std::string& command) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  // The shell's own usage holds that of every process it waited for; its largest resident
  // size is the largest of any of them.
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
  return {Seconds(usage.ru_utime) + Seconds(usage.ru_stime), static_cast<double>(usage.ru_maxrss) * 1024.0};
}

std::string Quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

std::vector<Result> Race(const std::vector<Contender>& contenders, int runs) {
  std::vector<std::vector<double>> wall(contenders.size()), cpu(contenders.size()), peak(contenders.size());
  for (int i = 0; i < runs; ++i) {
    for (size_t c = 0; c < contenders.size(); ++c) {
      contenders[c].prepare();
      const auto start = std::chrono::steady_clock::now();
      const Cost cost = contenders[c].run();
      wall[c].push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      cpu[c].push_back(cost.cpu);
      peak[c].push_back(cost.peakBytes);
    }
  }
  std::vector<Result> results;
  for (size_t c = 0; c < contenders.size(); ++c) results.push_back({Median(wall[c]), Median(cpu[c]), Median(peak[c])});
  return results;
}

void Report(const char* what, const std::vector<Contender>& contenders, const std::vector<Result>& results) {
  const Result& ours = results[0];
  std::printf("%s  %s: %.3f s wall, %.3f s cpu, %.1f MiB peak\n", what, contenders[0].name.c_str(), ours.wall, ours.cpu,
              ours.peakBytes / 1048576.0);
  for (size_t i = 1; i < contenders.size(); ++i) {
    const Result& peer = results[i];
    std::printf("%*s  %s: %.3f s wall (ours %.2fx faster), %.3f s cpu (ours %.2fx), %.1f MiB peak\n",
                static_cast<int>(std::char_traits<char>::length(what)), "", contenders[i].name.c_str(), peer.wall,
                peer.wall / ours.wall, peer.cpu, peer.cpu / ours.cpu, peer.peakBytes / 1048576.0);
  }
}

}  // namespace kestramo::bench
