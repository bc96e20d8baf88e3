// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "mainwindow/frm_main.h"
#include "mainwindow/scene_layers.h"
#include "vault_fixture.h"

using namespace kestramo;

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startsOnTheVaultWithViewsAndHomePositions() {
    testing::VaultFixture vault;
    vault.Fill({"Work", "Photos", "Music"}, 6);
    FrmMain w(vault.Base());
    QVERIFY(w.OwnsVault());
    QVERIFY(w.LoadReport().outcome == api::OpenReport::Outcome::Loaded);
    QCOMPARE(w.Views().BoxCount(), 3);
    QCOMPARE(w.Views().TopBox, 0);
    QCOMPARE(w.Views().SelectedBox, -1);
    QCOMPARE(w.Views().Boxes[1].ItemCount(), 6);
    QCOMPARE(w.size(), QSize(560, 420));
    QVERIFY(w.mask().contains(QPoint(0, 0)));
    QVERIFY(!w.mask().contains(QPoint(0, 419)));
    QVERIFY(!w.mask().contains(QPoint(559, 0)));

    LayeredImage& image = w.Image();
    QCOMPARE(image.Layer(layer::kPanel)->pos, QPointF(16, 60));
    QCOMPARE(image.Layer(layer::kSecondPanel)->pos, QPointF(16, 411));
    QCOMPARE(image.Layer(layer::kItemSlider)->pos.y(), 126.0);
    QVERIFY(!image.Layer(layer::kLight)->visible);
    QCOMPARE(image.Layer(layer::kLight)->mode, DrawMode::LightCombine);
    QCOMPARE(image.Layer(layer::kBigBox)->cursor, 0);
    QCOMPARE(image.Layer(layer::kBigHandle)->cursor, 2);
    QVERIFY(image.Layer(34) == nullptr);
  }

  void openDoorsLightAndScrollMovePanelParts() {
    testing::VaultFixture vault;
    vault.Fill({"Work", "Photos"}, 3);
    FrmMain w(vault.Base());
    BoxViews& views = w.Views();
    views.Boxes[0].DoorsOpen = true;
    views.Boxes[0].LightOn = true;
    views.Boxes[1].SliderOffset = 100;
    w.Scene().PlacePanels(20);
    LayeredImage& image = w.Image();
    QCOMPARE(image.Layer(layer::kRightDoor)->Location().width(), 39.0);
    QCOMPARE(image.Layer(layer::kRightDoor)->pos, QPointF(445, 100));
    QCOMPARE(image.Layer(layer::kLeftDoor)->Location().width(), 7.0);
    QCOMPARE(image.Layer(layer::kHandle)->pos.x(), 448.0);
    QVERIFY(image.Layer(layer::kLight)->visible);
    QVERIFY(!image.Layer(layer::kLightSwitch)->visible);
    QCOMPARE(image.Layer(layer::kSecondPanel + layer::kRightDoor)->pos.x(), 237.0);
    QCOMPARE(image.Layer(layer::kSecondPanel + layer::kItemSlider)->pos.y(), 411.0 - 20 + 66 + 100);
  }

  void aDamagedIndexIsReportedAndTheBackupUsed() {
    testing::VaultFixture vault;
    vault.Fill({"Work"}, 1);
    vault.Fill({"Home"}, 1);
    std::ofstream(vault.Base() / "coffrel/index.dat") << "garbage";
    FrmMain w(vault.Base());
    QVERIFY(w.LoadReport().outcome == api::OpenReport::Outcome::Restored);
    QCOMPARE(w.Views().BoxCount(), 2);
    QCOMPARE(w.Views().Boxes[1].ItemCount(), 1);
  }

  // Renders the safe with its big doors out of the way, for a person to look at.
  void rendersForALook() {
    const QByteArray out = qgetenv("KESTRAMO_SCREENSHOTS");
    if (out.isEmpty()) QSKIP("set KESTRAMO_SCREENSHOTS to a directory to get pictures");
    testing::VaultFixture vault;
    vault.Fill({"Work Documents", "Photos of the summer holiday 2026 in the mountains"}, 7);
    FrmMain w(vault.Base());
    w.Views().Boxes[0].DoorsOpen = true;
    w.Views().Boxes[0].Selected[1] = 1;
    w.Views().SelectedBox = 0;
    w.Views().Boxes[1].DoorsOpen = true;
    w.Views().Boxes[1].LightOn = true;
    w.Scene().PlacePanels(120);
    w.Image().Layer(layer::kBigLeftDoor)->visible = false;
    w.Image().Layer(layer::kBigRightDoor)->visible = false;
    w.Image().Layer(layer::kBigHandle)->visible = false;
    w.Image().Changed();
    w.Image().Composed().save(QString::fromUtf8(out) + "/main_window_open.png");
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
