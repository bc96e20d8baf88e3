#include "cli/interrupt_watch.h"

#include <signal.h>

#include <ctime>

namespace kestramo::cli {

namespace {

// Ctrl-C, a polite kill, and the terminal going away all cancel the same way.
sigset_t CancelSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt) : onInterrupt_(std::move(onInterrupt)) {
  // Block the signals in this thread (and the threads it starts later): the watcher takes them.
  const sigset_t set = CancelSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  thread_ = std::thread([this, set] {
    const timespec tick{0, 100 * 1000 * 1000};
    while (!stop_) {
      if (sigtimedwait(&set, nullptr, &tick) > 0) {
        interrupted_ = true;
        onInterrupt_();
      }
    }
  });
}

InterruptWatch::~InterruptWatch() {
  stop_ = true;
  thread_.join();
  const sigset_t set = CancelSignals();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

}  // namespace kestramo::cli
