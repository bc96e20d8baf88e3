// SPDX-License-Identifier: GPL-3.0-or-later
// The program at scale: a vault of many boxes and items (32 x 2,000 by default). Measures
// the index read, start-up to the first painted window, BuildViews, SaveIndex,
// NextItemIndex, a find over all items, scrolling one full box, and the peak memory.
// Each step is also run at half the items, so that the ratio shows what grows worse
// than linearly (about 2 is linear). Usage: scale_bench [boxes] [items per box]
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "gui_support/sample_vault.h"
#include "mainwindow/frm_main.h"
#include "storage/table/filter_expression.h"
#include "storage/table/item_table.h"
#include "storage/vault/vault.h"
#include "support/bench_args.h"

namespace fs = std::filesystem;
using namespace kestramo;

namespace {

struct Figures {
  double readIndex, startup, buildViews, save, nextIndex, find, scroll;
};

// Milliseconds per run of `step`, the best of `runs`.
double BestMs(int runs, const std::function<void()>& step) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    step();
    best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  return best;
}

Figures Measure(const fs::path& base, int boxes, int items) {
  fs::remove_all(base);
  bench::MakeSampleVault(base, boxes, items);
  Figures f{};
  f.readIndex = BestMs(3, [&] {
    Vault probe(base);
    probe.LoadIndex();
  });
  std::unique_ptr<FrmMain> window;
  f.startup = BestMs(1, [&] {
    window = std::make_unique<FrmMain>(base);
    window->Image().Composed();
  });
  f.buildViews = BestMs(3, [&] { window->BuildViews(); });

  Vault vault(base);
  vault.LoadIndex();
  f.save = BestMs(3, [&] { vault.SaveIndex(); });
  int32_t next = 0;
  f.nextIndex = BestMs(5, [&] { next = vault.NextItemIndex(); });
  int found = 0;
  f.find = BestMs(3, [&] {
    // What a search from the find dialog runs.
    auto filter = FilterExpression::Parse(FindFilterFor("ument 1999 of"), true);
    found = 0;
    for (const ItemRecord& row : vault.Items().AllRecords())
      found += filter.ok() && (*filter)->MatchesRecord(row) ? 1 : 0;
  });
  if (found == 0 || next <= 0) std::fprintf(stderr, "find or numbering found nothing\n");

  // Scroll the first box from top to bottom, one panel redraw per slider step.
  BoxView& box = window->Views().Boxes[0];
  constexpr int kSteps = 223;
  f.scroll = BestMs(1,
                    [&] {
                      for (int i = 0; i < kSteps; ++i) {
                        box.SliderOffset = static_cast<float>(i);
                        window->Scene().DrawBoxPanel(0);
                      }
                    }) /
             kSteps;
  fs::remove_all(base);
  return f;
}

double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  const auto numbers =
      bench::BenchNumbers(argc, argv, "Usage: scale_bench [boxes] [items per box] (default 32 2000)\n", {32, 2000});
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int boxes = static_cast<int>(numbers[0]);
  const int items = static_cast<int>(numbers[1]);
  const fs::path base = fs::temp_directory_path() / "kestramo-scale-bench";

  Measure(base, 2, 10);  // the first window pays for fonts and the skin once: not counted
  const Figures half = Measure(base, boxes, items / 2);
  const Figures full = Measure(base, boxes, items);
  std::printf("vault: %d boxes x %d items (%d items); ratio = full / half size\n", boxes, items, boxes * items);
  auto row = [](const char* what, double h, double f, const char* target) {
    std::printf("%-28s %9.3f ms   ratio %4.2f   %s\n", what, f, f / h, target);
  };
  row("index read", half.readIndex, full.readIndex, "");
  row("start-up to first picture", half.startup, full.startup, "its own index read included: target < 1000 ms");
  row("BuildViews", half.buildViews, full.buildViews, "");
  row("SaveIndex", half.save, full.save, "target < 200 ms");
  row("NextItemIndex", half.nextIndex, full.nextIndex, "");
  row("find over all items", half.find, full.find, "");
  row("scroll: one panel redraw", half.scroll, full.scroll, "target < 2 ms");
  std::printf("peak memory                  %9.1f MiB  target < 300 MiB\n", PeakMiB());
  return 0;
}
