// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "main_window_pointer.h"
#include "mainwindow/door_animation.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/scene_layers.h"
#include "vault_fixture.h"

using namespace kestramo;
using namespace kestramo::testing;

class PointerTest : public QObject {
  Q_OBJECT

 private slots:
  void smallDoorsOpenInSeventyTicksAndCloseBackWhole() {
    LayeredImage image;
    image.resize(560, 420);
    const QImage leftPicture(215, 280, QImage::Format_ARGB32_Premultiplied);
    const QImage rightPicture(247, 280, QImage::Format_ARGB32_Premultiplied);
    for (int n = 0; n <= 11; ++n) {
      SceneLayer l;
      l.number = n;
      l.picture = n == 4 ? leftPicture : n == 3 ? rightPicture : QImage(20, 20, QImage::Format_ARGB32_Premultiplied);
      l.pos = QPointF(n == 4 ? 26 : n == 3 ? 237 : 240, 120);
      image.AddLayer(l);
    }
    int ticks = 1;
    while (!DoorStep(image, 3, true, leftPicture, rightPicture)) ++ticks;
    QCOMPARE(ticks, 70);
    QCOMPARE(image.Layer(4)->Location().width(), 7.0);
    QCOMPARE(image.Layer(3)->Location().width(), 39.0);
    QCOMPARE(image.Layer(3)->pos.x(), 445.0);
    QCOMPARE(image.Layer(11)->pos.x(), 448.0);
    ticks = 1;
    while (!DoorStep(image, 3, false, leftPicture, rightPicture)) ++ticks;
    QCOMPARE(ticks, 70);
    QCOMPARE(image.Layer(4)->Location().width(), 215.0);
    QCOMPARE(image.Layer(3)->pos.x(), 237.0);
    QCOMPARE(image.Layer(11)->pos.x(), 240.0);
  }

  void handlesOpenTheDoorsAndClicksWaitForThem() {
    testing::VaultFixture vault;
    vault.Fill({"Work", "Home"}, 5);
    FrmMain w(vault.Base());
    w.show();
    Click(w, Center(w, layer::kBigHandle));
    QVERIFY(w.DoorsMoving());
    const int before = w.Views().SelectedBox;
    Click(w, QPoint(100, 300));  // ignored while the doors move
    QCOMPARE(w.Views().SelectedBox, before);
    QTRY_VERIFY_WITH_TIMEOUT(!w.DoorsMoving(), 10000);
    QCOMPARE(w.Image().Layer(layer::kBigLeftDoor)->Location().width(), 8.0);

    OpenDoors(w, layer::kHandle);
    QVERIFY(w.Views().Boxes[0].DoorsOpen);
    QCOMPARE(w.Image().Layer(layer::kHandle)->pos.x(), 448.0);
    OpenDoors(w, layer::kHandle);
    QVERIFY(!w.Views().Boxes[0].DoorsOpen);
    QCOMPARE(w.Image().Layer(layer::kHandle)->pos.x(), 240.0);
  }

  void clicksSelectRowsAndCtrlAddsOne() {
    testing::VaultFixture vault;
    vault.Fill({"Work"}, 6);
    FrmMain w(vault.Base());
    w.show();
    OpenDoors(w, layer::kBigHandle);
    OpenDoors(w, layer::kHandle);
    const QPointF panel = w.Image().Layer(layer::kPanel)->pos;
    auto row = [&](int n) { return (panel + QPointF(200, 60 + n * 60 + 30)).toPoint(); };
    Click(w, row(1));
    QCOMPARE(w.Views().SelectedBox, 0);
    QCOMPARE(w.Views().Boxes[0].CountSelected(), 1);
    QVERIFY(w.Views().Boxes[0].Selected[1]);
    // The selected row lies on a band of light with a brass edge, where the others are dark.
    auto at = [&](int n, int x) { return SeenAt(w, panel + QPointF(x, 60 + n * 60 + 57)); };
    QVERIFY(at(1, 300).red() > at(2, 300).red() + 15 && at(1, 300).red() > at(0, 300).red() + 15);
    QVERIFY(at(1, 19).red() > 150 && at(2, 19).red() < 120);
    QDir().mkpath(QDir::temp().filePath("kestramo-dialog-shots"));
    QVERIFY(w.Image().Composed().save(QDir::temp().filePath("kestramo-dialog-shots/selected-row.png")));
    Click(w, row(3), Qt::ControlModifier);
    QCOMPARE(w.Views().Boxes[0].CountSelected(), 2);
    Click(w, row(3), Qt::ControlModifier);
    QCOMPARE(w.Views().Boxes[0].CountSelected(), 1);
    Click(w, (panel + QPointF(200, 20)).toPoint());  // the name strip: outside the list
    QCOMPARE(w.Views().Boxes[0].CountSelected(), 1);
  }

  void slidersStopAtTheirEnds() {
    testing::VaultFixture vault;
    vault.Fill({"Work"}, 9);
    FrmMain w(vault.Base());
    w.show();
    OpenDoors(w, layer::kBigHandle);
    OpenDoors(w, layer::kHandle);
    const QPoint slider = Center(w, layer::kItemSlider);
    Drag(w, slider, slider + QPoint(0, 500));
    QCOMPARE(w.Views().Boxes[0].SliderOffset, 222.0f);
    QCOMPARE(w.Image().Layer(layer::kItemSlider)->pos.y(), 60.0 + 288);
    QCOMPARE(w.Views().Boxes[0].FirstRow, 5);
    const QPoint down = Center(w, layer::kItemSlider);
    Drag(w, down, down - QPoint(0, 900));
    QCOMPARE(w.Views().Boxes[0].SliderOffset, 0.0f);

    const QPoint big = Center(w, layer::kBigSlider);
    Drag(w, big, big + QPoint(0, 800));
    QCOMPARE(w.Image().Layer(layer::kBigSlider)->pos.y(), 356.0);
    QCOMPARE(w.Views().TopBox, 0);  // one box: the view does not scroll
    QCOMPARE(w.Image().Layer(layer::kPanel)->pos.y(), 60.0);
  }

  void theLightSwitchLatches() {
    testing::VaultFixture vault;
    vault.Fill({"Work"}, 1);
    FrmMain w(vault.Base());
    w.show();
    OpenDoors(w, layer::kBigHandle);
    const QPoint sw = Center(w, layer::kLightSwitch);
    QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, sw);
    QVERIFY(w.Image().Layer(layer::kLight)->visible);
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, sw);
    QVERIFY(w.Views().Boxes[0].LightOn);
    QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, sw);
    QVERIFY(w.Views().Boxes[0].LightOn);  // off only at the release
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, sw);
    QVERIFY(!w.Views().Boxes[0].LightOn);
    QVERIFY(!w.Image().Layer(layer::kLight)->visible);
  }
};

QTEST_MAIN(PointerTest)
#include "pointer_test.moc"
