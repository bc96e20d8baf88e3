// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/terminal_status.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "cli/output_text.h"
#include "kestramo/text.h"

namespace kestramo::cli {

TerminalStatus::TerminalStatus() : tty_(::isatty(2) != 0) {}

void TerminalStatus::SetStatusText(const std::string& text) {
  // "Now is compressing:\rName" becomes one line.
  std::string line = text;
  if (const auto cr = line.find('\r'); cr != std::string::npos) line[cr] = ' ';
  label_ = api::Utf8Truncate(Escaped(line), 60);
  position_ = 0;
  Draw();
}

void TerminalStatus::SetProgress(int position, int maximum) {
  position_ = position;
  maximum_ = maximum > 0 ? maximum : 100;
  Draw();
}

void TerminalStatus::Draw() {
  if (!tty_) return;
  constexpr int kWidth = 30;
  const int64_t shown = std::clamp(position_, 0, maximum_);
  std::string bar(static_cast<std::size_t>(shown * kWidth / maximum_), '#');
  bar.resize(kWidth, '.');
  std::fprintf(stderr, "\r\033[K[%s] %3d%% %s", bar.c_str(), static_cast<int>(shown * 100 / maximum_), label_.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalStatus::Close() {
  if (drawn_) std::fprintf(stderr, "\r\033[K");
  drawn_ = false;
}

void TerminalStatus::EndLine() {
  if (drawn_) std::fputc('\n', stderr);
  drawn_ = false;
}

void TerminalStatus::ShowMessage(const std::string& text) {
  lastMessage_ = text;
  std::fprintf(stderr, "kestramo-cli: %s\n", Escaped(text).c_str());
}

}  // namespace kestramo::cli
