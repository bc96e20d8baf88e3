// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

#include "kestramo/picture.h"

namespace kestramo::api {

// A source's 32x32 icon and its mask (white where the icon is opaque, black elsewhere),
// encoded as pictures for the index.
struct ShellIcon {
  Picture icon;
  Picture mask;
};

// What the desktop knows about a path: its icon and its type description.
class ShellInfo {
 public:
  virtual ~ShellInfo() = default;
  virtual ShellIcon IconOf(const std::filesystem::path& path) = 0;
  // At most 79 characters.
  virtual std::string TypeOf(const std::filesystem::path& path) = 0;
  // The skin's pictures for image-editor documents (".PSD").
  virtual ShellIcon PsdIcon() = 0;
};

// For runs with no desktop to ask: no icons, and every type is "File".
class NoShellInfo : public ShellInfo {
 public:
  ShellIcon IconOf(const std::filesystem::path&) override { return {}; }
  std::string TypeOf(const std::filesystem::path&) override { return "File"; }
  ShellIcon PsdIcon() override { return {}; }
};

}  // namespace kestramo::api
