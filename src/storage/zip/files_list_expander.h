// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestramo::zip {

struct ExpandedFile {
  std::string path;
  uint64_t size = 0;
  bool directory = false;  // an empty folder, kept as a directory entry
};

struct ExpandOptions {
  std::string rootDir;  // with its trailing '/'; put before names without a directory part
  bool recurse = false;
  dev_t excludeDevice = 0;  // the archive being written, never added to itself
  ino_t excludeInode = 0;
  std::function<void()> betweenFiles;  // cancel check
  // Receives what a path or folder holds that cannot be packed: folders and files that
  // cannot be read, links to folders or to nothing, pipes, sockets and devices.
  std::function<void(const std::string& path)> onLeftOut;
  // Folders met while recursing that give no file are listed themselves, so that they
  // come back; folders with files come back with them. A list of folders alone is empty.
  bool emptyFolders = false;
};

// Expands a list of paths and masks into the files to pack: plain paths first (those that
// exist), then every mask walked depth first in listing order. "*.*" matches every name;
// a leading '|' forbids and a leading '>' forces recursion. Hidden files are included;
// symbolic links to directories are not followed.
std::vector<ExpandedFile> ExpandFilesList(const std::vector<std::string>& list, const ExpandOptions& options);

// Wildcard match with '*' and '?', ignoring ASCII case.
bool MatchesMask(const std::string& name, const std::string& mask);

}  // namespace kestramo::zip
