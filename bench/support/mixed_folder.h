// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

namespace kestramo::bench {

// Fills `root` with about `targetBytes` of mixed content in nested folders: equal parts of
// text, random bytes and already compressed data, in files of a few KiB to tens of MiB.
// Deterministic, so that every run measures the same folder.
uint64_t GenerateMixedFolder(const std::filesystem::path& root, uint64_t targetBytes);

// Writes a file of `bytes` of the same generated text as the folder's text files.
void GenerateTextFile(const std::filesystem::path& path, uint64_t bytes);

// The median wall-clock time in seconds of `runs` runs, each after `prepare`.
double MedianOf(int runs, const std::function<void()>& prepare, const std::function<void()>& run);

}  // namespace kestramo::bench
