// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the main window and the redraw of a box panel, on a vault of many boxes and
// items, against two peers measured in the same run: a bare window that only shows the
// safe's picture, and a plain copy of one panel's picture.
// Usage: startup_bench [boxes] [items per box] (default 32 100)
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <cstdio>
#include <filesystem>

#include "gui_support/sample_vault.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/panel_painter.h"
#include "mainwindow/scene_layers.h"
#include "platform/resource_library.h"
#include "storage/table/item_table.h"
#include "storage/vault/vault.h"
#include "support/bench_args.h"

namespace fs = std::filesystem;
using namespace kestramo;

namespace {

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  const auto numbers =
      bench::BenchNumbers(argc, argv, "Usage: startup_bench [boxes] [items per box] (default 32 100)\n", {32, 100});
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int boxes = static_cast<int>(numbers[0]);
  const int items = static_cast<int>(numbers[1]);
  const fs::path base = fs::temp_directory_path() / "kestramo-startup-bench";
  fs::remove_all(base);
  bench::MakeSampleVault(base, boxes, items);

  QElapsedTimer timer;
  timer.start();
  {
    Vault probe(base);
    probe.LoadIndex();
  }
  const double readIndex = Ms(timer);

  timer.restart();
  FrmMain window(base);
  window.Image().Composed();  // the first painted picture
  const double startup = Ms(timer) - readIndex;

  timer.restart();
  {
    // Peer: a bare window showing the safe's picture.
    QWidget bare;
    bare.resize(560, 420);
    QImage canvas(560, 420, QImage::Format_ARGB32_Premultiplied);
    QPainter(&canvas).drawImage(0, 0, ResourceLibrary::Picture(QStringLiteral("bbox")));
  }
  const double peerStartup = Ms(timer);

  constexpr int kRedraws = 300;
  BoxView& box = window.Views().Boxes[0];
  timer.restart();
  for (int i = 0; i < kRedraws; ++i) {
    box.SliderOffset = static_cast<float>(i % 223);
    window.Scene().DrawBoxPanel(0);
  }
  const double redraw = Ms(timer) / kRedraws;
  const QImage pristine = ResourceLibrary::Picture(QStringLiteral("sbox"));
  QImage copy(pristine.size(), pristine.format());
  timer.restart();
  for (int i = 0; i < kRedraws; ++i) QPainter(&copy).drawImage(0, 0, pristine);
  const double blit = Ms(timer) / kRedraws;

  std::printf("vault: %d boxes x %d items (%d records)\n", boxes, items, boxes * (items + 1));
  std::printf("index read          %8.2f ms\n", readIndex);
  std::printf("start-up after read %8.2f ms  (bare window %6.2f ms, ratio %.1fx; target < 300 ms)\n", startup,
              peerStartup, startup / peerStartup);
  std::printf("panel redraw        %8.3f ms  (plain panel copy %6.3f ms, ratio %.1fx; target < 2 ms)\n", redraw, blit,
              redraw / blit);
  fs::remove_all(base);
  return 0;
}
