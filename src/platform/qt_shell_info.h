// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "kestramo/shell_info.h"

namespace kestramo {

// Icons from the desktop's icon theme and type descriptions from the MIME database.
// Needs a QGuiApplication; pictures are stored as PNG.
class QtShellInfo : public api::ShellInfo {
 public:
  api::ShellIcon IconOf(const std::filesystem::path& path) override;
  std::string TypeOf(const std::filesystem::path& path) override;
  // From the skin's "psd" and "psdmask" pictures when the resource library is loaded,
  // else the path's own desktop icon is used by the caller's fallback.
  api::ShellIcon PsdIcon() override;

  // Makes the desktop's themed icons available even when no desktop session set a theme.
  static void UseDesktopIconTheme();
};

}  // namespace kestramo
