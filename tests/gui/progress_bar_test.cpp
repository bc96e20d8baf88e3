// SPDX-License-Identifier: GPL-3.0-or-later
// The skinned progress bar's pixels: well, gradient bar, bevel and divider, and its repaints.
#include <QtTest>

#include "controls/skin_progress_bar.h"

using kestramo::SkinProgressBar;

namespace {

const QColor kBar(0, 128, 192);
const QColor kWell(120, 130, 140);

QRgb Shift(QColor c, int n) {
  auto ch = [n](int v) { return qBound(0, v + n, 255); };
  return qRgb(ch(c.red()), ch(c.green()), ch(c.blue()));
}

// Within one unit per channel: blending may round either way.
bool Near(QRgb actual, int r, int g, int b) {
  return qAbs(qRed(actual) - r) <= 1 && qAbs(qGreen(actual) - g) <= 1 && qAbs(qBlue(actual) - b) <= 1;
}

struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override { return paints += e->type() == QEvent::Paint, false; }
};

}  // namespace

class ProgressBarTest : public QObject {
  Q_OBJECT

  SkinProgressBar* bar_ = nullptr;
  QRgb frame_ = 0;

  // The status dialog's bar at `position`.
  QImage Shot(int position) {
    bar_->SetPosition(position);
    return bar_->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }

 private slots:
  void init() {
    bar_ = new SkinProgressBar;
    bar_->resize(220, 17);
    bar_->SetColor(kBar);
    bar_->SetBackColor(kWell);
    bar_->SetContrast(80);
    frame_ = bar_->palette().color(QPalette::Shadow).rgb();
  }
  void cleanup() { delete bar_; }

  void StatusBarAtHalfway() {
    const QImage img = Shot(50);
    // Frame around the control; inside it the well with dark top and left edges only.
    QCOMPARE(img.pixel(0, 0), frame_);
    QCOMPARE(img.pixel(219, 16), frame_);
    QCOMPARE(img.pixel(150, 1), Shift(kWell, -32));
    QCOMPARE(img.pixel(150, 15), kWell.rgb());
    // The bar covers columns 1 to 109, the divider stands at 110.
    for (int y = 1; y <= 16; ++y) QCOMPARE(img.pixel(110, y), frame_);
    QCOMPARE(img.pixel(111, 8), kWell.rgb());
    // Gradient: row 8 plain, row 2 lightened by 80*6/15 = 32, row 14 darkened by 32.
    QCOMPARE(img.pixel(50, 8), kBar.rgb());
    QCOMPARE(img.pixel(50, 2), Shift(kBar, 32));
    QCOMPARE(img.pixel(50, 14), Shift(kBar, -32));
    // Bevel: top row (lightened by 37) under white at 163/255, bottom row (darkened by 37)
    // under black at 81/255, left column light, right column dark.
    QVERIFY(Near(img.pixel(50, 1), 176, 222, 245));
    QVERIFY(Near(img.pixel(50, 15), 0, 62, 106));
    QVERIFY(Near(img.pixel(1, 8), 163, 209, 232));
    QVERIFY(Near(img.pixel(109, 8), 0, 87, 131));
  }

  void EdgePositions() {
    for (int position : {0, -5}) {  // at or below Min: only the well, no divider
      const QImage img = Shot(position);
      QCOMPARE(img.pixel(1, 8), Shift(kWell, -32));
      QCOMPARE(img.pixel(2, 8), kWell.rgb());
    }
    for (int position : {100, 250}) {  // at or above Max: the full bar
      const QImage img = Shot(position);
      QCOMPARE(img.pixel(200, 8), kBar.rgb());
      QVERIFY(Near(img.pixel(218, 8), 0, 87, 131));
      QCOMPARE(img.pixel(219, 8), frame_);
    }
    bar_->SetMin(10);  // no range: empty for any position, no division by zero
    bar_->SetMax(10);
    QCOMPARE(Shot(50).pixel(100, 8), kWell.rgb());
    bar_->SetMax(5);
    QCOMPARE(Shot(60).pixel(100, 8), kWell.rgb());
  }

  void ContrastAndFrameVariants() {
    bar_->SetContrast(0);  // flat
    QCOMPARE(Shot(100).pixel(100, 2), kBar.rgb());
    QCOMPARE(Shot(100).pixel(100, 14), kBar.rgb());
    bar_->SetContrast(-80);  // darker at the top
    QCOMPARE(Shot(100).pixel(100, 2), Shift(kBar, -32));
    QCOMPARE(Shot(100).pixel(100, 14), Shift(kBar, 32));
    // Unframed: light bottom and right edges, the bar from column 0, no divider.
    bar_->SetContrast(80);
    bar_->SetFramed(false);
    const QImage img = Shot(50);
    const QColor dark = QColor::fromRgb(Shift(kWell, -32));
    QCOMPARE(img.pixel(150, 0), dark.rgb());
    QCOMPARE(img.pixel(150, 16), Shift(dark, 64));
    QCOMPARE(img.pixel(219, 8), Shift(dark, 64));
    QCOMPARE(img.pixel(50, 8), kBar.rgb());
    QCOMPARE(img.pixel(110, 8), kWell.rgb());
  }

  void RepaintsOnlyWhenThePositionChanges() {
    bar_->show();
    QVERIFY(QTest::qWaitForWindowExposed(bar_));
    QTest::qWait(20);
    PaintCounter counter;
    bar_->installEventFilter(&counter);
    bar_->SetPosition(30);
    QCOMPARE(counter.paints, 1);  // at once, not at the next paint cycle
    bar_->SetPosition(30);
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, 1);
    bar_->SetPosition(31);
    QCOMPARE(counter.paints, 2);
  }
};

QTEST_MAIN(ProgressBarTest)
#include "progress_bar_test.moc"
