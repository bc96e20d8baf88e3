// SPDX-License-Identifier: GPL-3.0-or-later
// The skin on dense screens: the main window and every dialog drawn at 1, 1.5 and 2 from
// pictures of that scale, captions at least as sharp at 2 as at 1, the same layout at every
// scale. (Clicks at 1.5 and 2 are tested by running the pointer tests on a dense screen.)
#include <QtTest>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>

#include "controls/picture_ops.h"
#include "controls/region_button.h"
#include "dialogs/frm_about.h"
#include "dialogs/frm_comment.h"
#include "dialogs/frm_confirm.h"
#include "dialogs/frm_harden.h"
#include "dialogs/frm_login.h"
#include "dialogs/frm_message.h"
#include "dialogs/frm_new.h"
#include "dialogs/frm_note.h"
#include "dialogs/frm_overwrite.h"
#include "dialogs/frm_password.h"
#include "dialogs/frm_select_dir.h"
#include "dialogs/frm_status.h"
#include "main_window_pointer.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/scene_layers.h"
#include "skin_session.h"
#include "vault_fixture.h"

using namespace kestramo;

namespace {

constexpr qreal kScales[] = {1.0, 1.5, 2.0};

// A widget as a screen of the given density shows it.
QImage Render(QWidget& w, qreal scale) {
  QImage shot((QSizeF(w.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
  shot.setDevicePixelRatio(scale);
  shot.fill(Qt::transparent);
  w.render(&shot);
  return shot;
}

// Of the pixels that belong to dark text on a light face (inside a rectangle given in
// logical pixels), the share that is neither ink nor face: the soft rim of the glyphs. A
// picture drawn at the screen's density has thin rims; a small picture enlarged has thick ones.
double SoftRimShare(const QImage& shot, const QRect& logical) {
  const qreal s = shot.devicePixelRatio();
  const QRect r((QRectF(logical).topLeft() * s).toPoint(), (QSizeF(logical.size()) * s).toSize());
  int ink = 0, rim = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const int l = qGray(shot.pixel(x, y));
      if (l < 70) ++ink;
      else if (l < 140) ++rim;
    }
  return ink + rim == 0 ? 1.0 : double(rim) / (ink + rim);
}

// Of the 2x2 pixel blocks of a picture at 2 (inside a rectangle in logical pixels), the share
// whose four pixels differ: none in a 1x picture enlarged, many where it was drawn at 2.
double FineDetailShare(const QImage& shot, const QRect& logical) {
  int blocks = 0, fine = 0;
  for (int y = logical.top() * 2; y < (logical.bottom() + 1) * 2; y += 2)
    for (int x = logical.left() * 2; x < (logical.right() + 1) * 2; x += 2) {
      const int a = qGray(shot.pixel(x, y)), b = qGray(shot.pixel(x + 1, y)), c = qGray(shot.pixel(x, y + 1)),
                d = qGray(shot.pixel(x + 1, y + 1));
      ++blocks;
      fine += std::max({a, b, c, d}) - std::min({a, b, c, d}) > 24;
    }
  return blocks == 0 ? 0 : double(fine) / blocks;
}

// Sharp at 2 and 1.5: rims no wider than at 1, and detail finer than a 1x pixel at 2.
QString SharpnessFault(const std::map<qreal, double>& rim, double detail) {
  if (rim.at(2) <= rim.at(1) && rim.at(1.5) <= rim.at(1) * 1.05 && detail > 0.1) return {};
  return QStringLiteral("rims %1 %2 %3, fine detail at 2: %4")
      .arg(rim.at(1))
      .arg(rim.at(1.5))
      .arg(rim.at(2))
      .arg(detail);
}

// The largest difference between the mean colours of two pictures of one window over any
// 20x20 block (logical pixels): textures drawn at another density differ pixel by pixel,
// but a part drawn in the wrong place changes whole blocks.
int LargestBlockDifference(const QImage& a, const QImage& b) {
  const QSize logical = LogicalSize(a);
  auto mean = [](const QImage& img, const QRect& block) {
    const qreal s = img.devicePixelRatio();
    const QRect r((QPointF(block.topLeft()) * s).toPoint(), (QSizeF(block.size()) * s).toSize());
    long sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) sum += qGray(img.pixel(x, y));
    return int(sum / (r.width() * r.height()));
  };
  int worst = 0;
  for (int y = 0; y + 20 <= logical.height(); y += 20)
    for (int x = 0; x + 20 <= logical.width(); x += 20)
      worst = std::max(worst, std::abs(mean(a, QRect(x, y, 20, 20)) - mean(b, QRect(x, y, 20, 20))));
  return worst;
}

using DialogMaker = std::function<std::unique_ptr<QWidget>(QWidget*)>;

template <typename D>
DialogMaker Make() {
  return [](QWidget* parent) { return std::unique_ptr<QWidget>(new D(parent)); };
}

const std::vector<std::pair<const char*, DialogMaker>>& Dialogs() {
  static const std::vector<std::pair<const char*, DialogMaker>> all = {
      {"name", Make<FrmNew>()},
      {"login", Make<FrmLogin>()},
      {"password", Make<FrmPassword>()},
      {"confirm", Make<FrmConfirm>()},
      {"message", Make<FrmMessage>()},
      {"comment", Make<FrmComment>()},
      {"about", Make<FrmAbout>()},
      {"status", Make<FrmStatus>()},
      {"selectdir", Make<FrmSelectDir>()},
      {"overwrite", Make<FrmOverwrite>()},
      {"note", Make<FrmNote>()},
      {"harden", Make<FrmHarden>()},
  };
  return all;
}

}  // namespace

class DenseSkinTest : public QObject {
  Q_OBJECT

  void UseScale(qreal scale) {
    ResourceLibrary::Load(QStringLiteral(KESTRAMO_SKIN_RCC));
    ResourceLibrary::SetScale(scale);
  }

 private slots:
  // The title plate's name and the layout of the safe, at each scale.
  void mainWindowIsDrawnAtEachScale() {
    testing::VaultFixture vault;
    vault.Fill({"Work"}, 3);
    std::map<qreal, double> rim;
    double detail = 0;
    std::vector<QRectF> layout1x;
    QImage open1x;
    for (const qreal scale : kScales) {
      UseScale(scale);
      FrmMain w(vault.Base());
      w.show();
      const QImage shot = Render(w, scale);
      QCOMPARE(shot.size(), (QSizeF(560, 420) * scale).toSize());
      QVERIFY(shot.save(testing::ShotsDir() + QStringLiteral("/dense-main-%1x.png").arg(scale)));
      const QRect plateName(222, 10, 116, 18);
      rim[scale] = SoftRimShare(shot, plateName);
      if (scale == 2) detail = FineDetailShare(shot, plateName);
      std::vector<QRectF> layout;
      for (const SceneLayer& l : w.Image().Layers()) layout.push_back(l.Location());
      if (scale == 1) layout1x = layout;
      QCOMPARE(layout, layout1x);  // every layer where it is at 1, as large
      // Open, with a chosen item: the same picture as at 1.
      testing::OpenDoors(w, layer::kBigHandle);
      testing::OpenDoors(w, layer::kHandle);
      testing::Click(w, (w.Image().Layer(layer::kPanel)->pos + QPointF(200, 150)).toPoint());
      const QImage open = Render(w, scale);
      QVERIFY(open.save(testing::ShotsDir() + QStringLiteral("/dense-main-open-%1x.png").arg(scale)));
      if (scale == 1) open1x = open;
      const int moved = LargestBlockDifference(open, open1x);
      QVERIFY2(moved < 16, qPrintable(QStringLiteral("at %1 a block differs by %2").arg(scale).arg(moved)));
    }
    const QString fault = SharpnessFault(rim, detail);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
  }

  // Every dialog, and the caption of its first button.
  void dialogsAreDrawnAtEachScale() {
    for (const auto& [name, make] : Dialogs()) {
      std::map<qreal, double> rim;
      double detail = 0;
      QSize size1x;
      for (const qreal scale : kScales) {
        UseScale(scale);
        const std::unique_ptr<QWidget> dialog = make(nullptr);
        if (scale == 1) size1x = dialog->size();
        QCOMPARE(dialog->size(), size1x);
        const QImage shot = Render(*dialog, scale);
        QVERIFY(
            shot.save(testing::ShotsDir() + QStringLiteral("/dense-%1-%2x.png").arg(QLatin1String(name)).arg(scale)));
        // The caption of its first button, or the name on the about box's plate (the note has
        // neither: only its size is checked).
        const auto* button = dialog->findChild<RegionButton*>();
        if (button) QCOMPARE(button->size(), LogicalSize(button->PicIdle()));
        const bool about = QLatin1String(name) == QLatin1String("about");
        const QRect caption = button  ? button->geometry().adjusted(6, 2, -6, -2)
                              : about ? QRect(132, 70, 160, 26)
                                      : QRect();
        if (caption.isEmpty()) continue;
        rim[scale] = SoftRimShare(shot, caption);
        if (scale == 2) detail = FineDetailShare(shot, caption);
      }
      if (rim.empty()) continue;
      const QString fault = SharpnessFault(rim, detail);
      QVERIFY2(fault.isEmpty(), qPrintable(QLatin1String(name) + QStringLiteral(": ") + fault));
    }
  }

  void cleanupTestCase() { ResourceLibrary::Unload(); }
};

QTEST_MAIN(DenseSkinTest)
#include "dense_skin_test.moc"
