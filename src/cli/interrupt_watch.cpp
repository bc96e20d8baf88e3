// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/interrupt_watch.h"

#include <signal.h>

#include <ctime>

namespace kestramo::cli {

namespace {

// Ctrl-C, a polite kill, and the terminal going away all cancel the same way; a signal
// the caller chose to ignore (as nohup does with the hang-up) stays ignored.
sigset_t CancelSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    sigaddset(&set, signal);
  }
  return set;
}

// Sent to the watcher alone when the watch ends, so that the end never waits for a tick.
int WakeSignal() { return SIGRTMIN; }

}  // namespace

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt) : onInterrupt_(std::move(onInterrupt)) {
  // Block the signals in this thread (and the threads it starts later): the watcher takes them.
  const sigset_t cancel = CancelSignals();
  sigset_t set = cancel;
  sigaddset(&set, WakeSignal());
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  thread_ = std::thread([this, set] {
    const timespec tick{0, 100 * 1000 * 1000};
    while (!stop_) {
      const int signal = sigtimedwait(&set, nullptr, &tick);
      if (signal > 0 && signal != WakeSignal()) {
        interrupted_ = true;
        onInterrupt_();
      }
    }
  });
}

InterruptWatch::~InterruptWatch() {
  stop_ = true;
  pthread_kill(thread_.native_handle(), WakeSignal());
  thread_.join();
  sigset_t set = CancelSignals();
  sigaddset(&set, WakeSignal());
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

}  // namespace kestramo::cli
