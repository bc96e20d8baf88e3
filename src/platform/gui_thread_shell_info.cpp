// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gui_thread_shell_info.h"

#include <QCoreApplication>
#include <QThread>

namespace kestramo {

namespace {

template <typename Result, typename Ask>
Result OnGuiThread(Ask&& ask) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) return ask();
  Result result{};
  QMetaObject::invokeMethod(
      app, [&] { result = ask(); }, Qt::BlockingQueuedConnection);
  return result;
}

}  // namespace

api::ShellIcon GuiThreadShellInfo::IconOf(const std::filesystem::path& path) {
  return OnGuiThread<api::ShellIcon>([&] { return desktop_.IconOf(path); });
}

std::string GuiThreadShellInfo::TypeOf(const std::filesystem::path& path) {
  return OnGuiThread<std::string>([&] { return desktop_.TypeOf(path); });
}

api::ShellIcon GuiThreadShellInfo::PsdIcon() {
  return OnGuiThread<api::ShellIcon>([&] { return desktop_.PsdIcon(); });
}

}  // namespace kestramo
