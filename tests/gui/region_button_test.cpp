// SPDX-License-Identifier: GPL-3.0-or-later
// The region button: faces by state, click rules, auto-repeat and the crop region.
#include <QtTest>

#include "controls/region_button.h"

using kestramo::RegionButton;

namespace {

QImage Face(QColor fill, QSize size = QSize(20, 10)) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(fill);
  image.setPixel(0, 0, qRgb(0, 0, 0));  // key colour
  return image;
}

struct Recorder {
  int clicks = 0, downs = 0, enters = 0, leaves = 0;
  QImage faceAtClick;
  explicit Recorder(RegionButton& b) {
    QObject::connect(&b, &RegionButton::clicked, [this, &b] { ++clicks, faceAtClick = b.CurrentPicture(); });
    QObject::connect(&b, &RegionButton::mouseDown, [this](QMouseEvent*) { ++downs; });
    QObject::connect(&b, &RegionButton::mouseEnter, [this] { ++enters; });
    QObject::connect(&b, &RegionButton::mouseLeave, [this] { ++leaves; });
  }
};

const QPoint kIn(5, 5), kOut(40, 30);

}  // namespace

class RegionButtonTest : public QObject {
  Q_OBJECT

  QWidget* host_ = nullptr;
  QImage idle_ = Face(Qt::yellow), up_ = Face(Qt::green), down_ = Face(Qt::red), dsbld_ = Face(Qt::gray);

  RegionButton* MakeButton(const QImage& idle, bool allFaces = true) {
    auto* b = new RegionButton(host_);
    b->move(10, 10);
    b->SetPicIdle(idle);
    if (allFaces) b->SetFaces({idle, up_, down_, dsbld_});
    b->show();
    return b;
  }

 private slots:
  void init() {
    host_ = new QWidget;
    host_->resize(100, 60);
    host_->show();
    QVERIFY(QTest::qWaitForWindowExposed(host_));
    QTest::mouseMove(host_, QPoint(90, 50));
  }
  void cleanup() { delete host_; }

  void FacesFollowThePointerAndTheButton() {
    RegionButton* b = MakeButton(idle_);
    QCOMPARE(b->size(), QSize(20, 10));  // the size of its picture
    QCOMPARE(b->CurrentPicture(), idle_);
    QTest::mouseMove(b, kIn);
    QTRY_COMPARE(b->CurrentPicture(), up_);
    QTest::mousePress(b, Qt::LeftButton, {}, kIn);
    QCOMPARE(b->CurrentPicture(), down_);
    QTest::mouseMove(b, kOut);  // dragged out while pressed: the normal face
    QCOMPARE(b->CurrentPicture(), idle_);
    QTest::mouseMove(b, kIn);
    QCOMPARE(b->CurrentPicture(), down_);
    QTest::mouseRelease(b, Qt::LeftButton, {}, kIn);
    QCOMPARE(b->grab().toImage().pixel(kIn), QColor(Qt::green).rgb());

    // With only an idle picture, every state shows it.
    RegionButton* plain = MakeButton(Face(Qt::blue, QSize(51, 14)), false);
    QCOMPARE(plain->size(), QSize(51, 14));
    QTest::mousePress(plain, Qt::LeftButton, {}, kIn);
    QCOMPARE(plain->CurrentPicture(), plain->PicIdle());
    QTest::mouseRelease(plain, Qt::LeftButton, {}, kIn);
    plain->SetEnabled(false);
    QCOMPARE(plain->CurrentPicture(), plain->PicIdle());
  }

  void ClickRules() {
    RegionButton* b = MakeButton(idle_);
    Recorder r(*b);
    // Press and release inside: one click, raised while the face is still pressed.
    QTest::mouseClick(b, Qt::LeftButton, {}, kIn);
    QCOMPARE(r.clicks, 1);
    QCOMPARE(r.faceAtClick, down_);
    // Press, drag out, release: no click.
    QTest::mousePress(b, Qt::LeftButton, {}, kIn);
    QTest::mouseMove(b, kOut);
    QCOMPARE(r.leaves, 1);
    QTest::mouseRelease(b, Qt::LeftButton, {}, kOut);
    QCOMPARE(r.clicks, 1);
    // A double click as the display server delivers it (press, release, press, release): one click.
    QTest::mouseDClick(host_->windowHandle(), Qt::LeftButton, {}, b->mapTo(host_, kIn));
    QCOMPARE(r.clicks, 2);
    QVERIFY(b->CurrentPicture() != down_);  // the undone press leaves no pressed face
  }

  void DisabledButtonRaisesMouseEventsButNoClick() {
    RegionButton* b = MakeButton(idle_);
    Recorder r(*b);
    b->SetEnabled(false);
    QCOMPARE(b->CurrentPicture(), dsbld_);
    QTest::mouseMove(b, kIn);
    QTRY_COMPARE(r.enters, 1);
    QTest::mouseClick(b, Qt::LeftButton, {}, kIn);
    QCOMPARE(r.downs, 1);
    QCOMPARE(r.clicks, 0);
    QCOMPARE(b->CurrentPicture(), dsbld_);
    b->SetPicDsbld(QImage());
    QCOMPARE(b->CurrentPicture(), idle_);
  }

  void AutoRepeatClicksWhileHeldInside() {
    RegionButton* b = MakeButton(idle_);
    b->SetAutoRepeat(true);
    Recorder r(*b);
    QTest::mousePress(b, Qt::LeftButton, {}, kIn);
    QTest::qWait(200);
    QCOMPARE(r.clicks, 0);  // the first repeat comes 300 ms after the press
    QTRY_VERIFY_WITH_TIMEOUT(r.clicks >= 2, 1500);
    QTest::mouseMove(b, kOut);  // outside, the repeating stops
    const int held = r.clicks;
    QTest::qWait(700);
    QTest::mouseRelease(b, Qt::LeftButton, {}, kOut);
    QCOMPARE(r.clicks, held);
  }

  void CropCutsEveryKeyColouredPixel() {
    QImage picture = Face(Qt::yellow);
    picture.setPixel(10, 5, qRgb(0, 0, 0));  // the key colour inside the picture: a hole
    RegionButton* b = MakeButton(picture, false);
    b->SetPaintMode(RegionButton::PaintMode::Crop);
    const QRegion shape = b->mask();
    QVERIFY(!shape.contains(QPoint(0, 0)) && !shape.contains(QPoint(10, 5)));
    QVERIFY(shape.contains(QPoint(11, 5)) && shape.contains(QPoint(19, 9)));
    Recorder r(*b);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(10, 5));
    QCOMPARE(r.downs + r.clicks, 0);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(11, 5));
    QCOMPARE(r.clicks, 1);
    // A new idle picture brings its own region; leaving the crop mode drops it.
    b->SetPicIdle(Face(Qt::yellow));
    QVERIFY(b->mask().contains(QPoint(10, 5)));
    b->SetPaintMode(RegionButton::PaintMode::Normal);
    QVERIFY(b->mask().isEmpty());
  }
};

QTEST_MAIN(RegionButtonTest)
#include "region_button_test.moc"
