// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kestramo::bench {

// What one shell command cost: processor seconds (user and system, the shell and all it
// started) and the largest resident size of any one of those processes, in bytes.
struct Cost {
  double cpu = 0;
  double peakBytes = 0;
};

// Runs `command` through /bin/sh; ends the program when it fails.
Cost Shell(const std::string& command);

// The path in single quotes, for a shell command.
std::string Quote(const std::filesystem::path& p);

// One contender of a race: `prepare` is not timed, `run` is, and returns what its commands cost.
struct Contender {
  std::string name;
  std::function<void()> prepare;
  std::function<Cost()> run;
};

// Medians over the runs of each contender.
struct Result {
  double wall = 0, cpu = 0, peakBytes = 0;
};

// Runs every contender once per round, in turn, so that all see the same load.
std::vector<Result> Race(const std::vector<Contender>& contenders, int runs);

// Prints `what`: the first contender's medians, then each other's with the ratio
// "ours N.NNx faster" of wall and of processor time, and the peak memory of each.
void Report(const char* what, const std::vector<Contender>& contenders, const std::vector<Result>& results);

}  // namespace kestramo::bench
