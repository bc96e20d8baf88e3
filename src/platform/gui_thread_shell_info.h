// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kestramo/shell_info.h"

namespace kestramo {

// Hands every question about a path to the GUI thread and waits for the answer: the
// desktop's icon themes, icon engines and their caches belong to that thread, while imports
// ask from a worker. The GUI thread must keep its event loop running meanwhile (a modal
// status dialog does).
class GuiThreadShellInfo : public api::ShellInfo {
 public:
  explicit GuiThreadShellInfo(api::ShellInfo& desktop) : desktop_(desktop) {}

  api::ShellIcon IconOf(const std::filesystem::path& path) override;
  std::string TypeOf(const std::filesystem::path& path) override;
  api::ShellIcon PsdIcon() override;

 private:
  api::ShellInfo& desktop_;
};

}  // namespace kestramo
