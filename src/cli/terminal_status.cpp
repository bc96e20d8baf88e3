#include "cli/terminal_status.h"

#include <unistd.h>

#include <cstdio>

namespace kestramo::cli {

TerminalStatus::TerminalStatus() : tty_(::isatty(2) != 0) {}

void TerminalStatus::SetStatusText(const std::string& text) {
  // "Now is compressing:\rName" becomes one line.
  label_ = text;
  for (char& c : label_) {
    if (c == '\r' || c == '\n') c = ' ';
  }
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
  const int filled = maximum_ > 0 ? position_ * kWidth / maximum_ : 0;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.resize(kWidth, '.');
  std::fprintf(stderr, "\r\033[K[%s] %3d%% %.60s", bar.c_str(), maximum_ ? position_ * 100 / maximum_ : 0,
               label_.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalStatus::Close() {
  if (drawn_) std::fprintf(stderr, "\r\033[K");
  drawn_ = false;
}

void TerminalStatus::ShowMessage(const std::string& text) {
  lastMessage_ = text;
  std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace kestramo::cli
