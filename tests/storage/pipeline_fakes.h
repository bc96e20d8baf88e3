// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "kestramo/shell_info.h"
#include "storage/vault/status_sink.h"

namespace kestramo::testing {

// Records every status call in order; `onProgress` lets a test act (press Cancel) mid-stage.
// Every position must lie on the bar: from 0 to the maximum it comes with.
class RecordingSink : public api::StatusSink {
 public:
  std::vector<std::string> calls;
  std::vector<int> positions;
  std::vector<std::string> messages;
  bool closed = false;
  std::function<void(api::Phase, int)> onProgress;

  void SetStatusText(const std::string& text) override { calls.push_back("text:" + text); }
  void SetPhase(api::Phase p) override {
    phase_ = p;
    calls.push_back("phase:" + std::to_string(static_cast<int>(p)));
  }
  void EnableCancel() override { calls.push_back("cancel-on"); }
  void SetProgress(int position, int maximum) override {
    // Ends the test program loudly: the fakes serve tests of every kind, not only GoogleTest.
    if (position < 0 || position > maximum) {
      std::fprintf(stderr, "progress %d is off the bar 0..%d\n", position, maximum);
      std::abort();
    }
    positions.push_back(position);
    if (onProgress) onProgress(phase_, position);
  }
  void Close() override {
    closed = true;
    calls.push_back("close");
  }
  void ShowMessage(const std::string& text) override {
    messages.push_back(text);
    calls.push_back("message:" + text);
  }

 private:
  api::Phase phase_ = api::Phase::Compressing;
};

class FakeShell : public api::ShellInfo {
 public:
  api::ShellIcon IconOf(const std::filesystem::path&) override { return {Bytes(1), Bytes(2)}; }
  std::string TypeOf(const std::filesystem::path& p) override {
    return std::filesystem::is_directory(p) ? "Folder" : "Document";
  }
  api::ShellIcon PsdIcon() override { return {Bytes(7), Bytes(8)}; }
  static api::Picture Bytes(uint8_t fill) { return std::make_shared<const api::PictureBytes>(16, fill); }
};

}  // namespace kestramo::testing
