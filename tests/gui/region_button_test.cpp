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
  int clicks = 0, downs = 0, ups = 0, enters = 0, leaves = 0;
  QImage faceAtClick;
  void Attach(RegionButton& b) {
    QObject::connect(&b, &RegionButton::clicked, [this, &b] {
      ++clicks;
      faceAtClick = b.CurrentPicture();
    });
    QObject::connect(&b, &RegionButton::mouseDown, [this](QMouseEvent*) { ++downs; });
    QObject::connect(&b, &RegionButton::mouseUp, [this](QMouseEvent*) { ++ups; });
    QObject::connect(&b, &RegionButton::mouseEnter, [this] { ++enters; });
    QObject::connect(&b, &RegionButton::mouseLeave, [this] { ++leaves; });
  }
};

}  // namespace

class RegionButtonTest : public QObject {
  Q_OBJECT

 private:
  QWidget* host_ = nullptr;
  RegionButton* button_ = nullptr;
  QImage idle_ = Face(Qt::yellow), up_ = Face(Qt::green), down_ = Face(Qt::red), dsbld_ = Face(Qt::gray);

  RegionButton* MakeButton(bool allFaces = true) {
    auto* b = new RegionButton(host_);
    b->move(10, 10);
    b->SetPicIdle(idle_);
    if (allFaces) {
      b->SetPicUp(up_);
      b->SetPicDown(down_);
      b->SetPicDsbld(dsbld_);
    }
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

  void TakesTheSizeOfItsPicture() {
    RegionButton* b = MakeButton();
    QCOMPARE(b->size(), QSize(20, 10));
    b->SetPicIdle(Face(Qt::yellow, QSize(51, 14)));
    QCOMPARE(b->size(), QSize(51, 14));
  }

  void FacesFollowThePointerAndTheButton() {
    RegionButton* b = MakeButton();
    QCOMPARE(b->CurrentPicture(), idle_);
    QTest::mouseMove(b, QPoint(5, 5));
    QTRY_COMPARE(b->CurrentPicture(), up_);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(b->CurrentPicture(), down_);
    // Dragged out while pressed: the normal face, not the pressed one.
    QTest::mouseMove(b, QPoint(40, 5));
    QCOMPARE(b->CurrentPicture(), idle_);
    QTest::mouseMove(b, QPoint(5, 5));
    QCOMPARE(b->CurrentPicture(), down_);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(b->CurrentPicture(), up_);
    QCOMPARE(b->grab().toImage().pixel(5, 5), QColor(Qt::green).rgb());
  }

  void OnlyAnIdlePictureShowsInEveryState() {
    RegionButton* b = MakeButton(false);
    QTest::mouseMove(b, QPoint(5, 5));
    QTRY_COMPARE(b->CurrentPicture(), idle_);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(b->CurrentPicture(), idle_);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 5));
    b->SetEnabled(false);
    QCOMPARE(b->CurrentPicture(), idle_);
  }

  void ClickComesBeforeTheFaceReturnsToNormal() {
    RegionButton* b = MakeButton();
    Recorder r;
    r.Attach(*b);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(r.clicks, 1);
    QCOMPARE(r.faceAtClick, down_);
    QCOMPARE(r.downs, 1);
    QCOMPARE(r.ups, 1);
  }

  void DragOutBeforeReleaseGivesNoClick() {
    RegionButton* b = MakeButton();
    Recorder r;
    r.Attach(*b);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(b, QPoint(40, 30));
    QCOMPARE(r.leaves, 1);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(40, 30));
    QCOMPARE(r.clicks, 0);
    QCOMPARE(r.ups, 1);
  }

  void DoubleClickGivesOneClick() {
    RegionButton* b = MakeButton();
    Recorder r;
    r.Attach(*b);
    // Through the window, as the display server delivers it: press, release, press, release.
    QTest::mouseDClick(host_->windowHandle(), Qt::LeftButton, {}, b->mapTo(host_, QPoint(5, 5)));
    QCOMPARE(r.clicks, 1);
    QCOMPARE(b->CurrentPicture(), up_);
  }

  void DisabledButtonRaisesMouseEventsButNoClick() {
    RegionButton* b = MakeButton();
    Recorder r;
    r.Attach(*b);
    b->SetEnabled(false);
    QVERIFY(b->Disabled());
    QCOMPARE(b->CurrentPicture(), dsbld_);
    QTest::mouseMove(b, QPoint(5, 5));
    QTRY_COMPARE(r.enters, 1);
    QCOMPARE(b->CurrentPicture(), dsbld_);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(r.downs, 1);
    QCOMPARE(r.clicks, 0);
    QCOMPARE(b->CurrentPicture(), dsbld_);
    b->SetPicDsbld(QImage());
    QCOMPARE(b->CurrentPicture(), idle_);
    b->SetEnabled(true);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(r.clicks, 1);
  }

  void AutoRepeatClicksWhileHeldInside() {
    RegionButton* b = MakeButton();
    b->SetAutoRepeat(true);
    Recorder r;
    r.Attach(*b);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::qWait(200);
    QCOMPARE(r.clicks, 0);  // the first repeat comes 300 ms after the press
    QTRY_VERIFY_WITH_TIMEOUT(r.clicks >= 2, 1500);
    // Outside the button the repeating stops, and the release there is no click.
    QTest::mouseMove(b, QPoint(40, 30));
    const int held = r.clicks;
    QTest::qWait(700);
    QCOMPARE(r.clicks, held);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(40, 30));
    QCOMPARE(r.clicks, held);
  }

  void CropCutsEveryKeyColouredPixel() {
    QImage picture = Face(Qt::yellow);
    picture.setPixel(10, 5, qRgb(0, 0, 0));  // a key-coloured pixel inside: a hole
    auto* b = new RegionButton(host_);
    b->move(10, 10);
    b->SetPicIdle(picture);
    b->SetPaintMode(RegionButton::PaintMode::Crop);
    b->show();
    QVERIFY(b->RegionApplied());
    const QRegion shape = b->mask();
    QVERIFY(!shape.contains(QPoint(0, 0)));
    QVERIFY(!shape.contains(QPoint(10, 5)));
    QVERIFY(shape.contains(QPoint(11, 5)));
    QVERIFY(shape.contains(QPoint(19, 9)));
    QCOMPARE(shape.boundingRect(), QRect(0, 0, 20, 10));

    Recorder r;
    r.Attach(*b);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(10, 5));
    QCOMPARE(r.downs, 0);
    QCOMPARE(r.clicks, 0);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(11, 5));
    QCOMPARE(r.clicks, 1);

    // A new idle picture brings its own region; leaving the crop mode drops it.
    b->SetPicIdle(Face(Qt::yellow));
    QVERIFY(b->mask().contains(QPoint(10, 5)));
    b->SetPaintMode(RegionButton::PaintMode::Normal);
    QVERIFY(!b->RegionApplied());
    QVERIFY(b->mask().isEmpty());
  }

  void TransparentModeLeavesKeyPixelsUndrawn() {
    host_->setAutoFillBackground(true);
    QPalette pal = host_->palette();
    pal.setColor(QPalette::Window, Qt::blue);
    host_->setPalette(pal);
    QImage picture = Face(Qt::yellow);
    picture.setPixel(10, 5, qRgb(0, 0, 0));
    RegionButton* b = MakeButton(false);
    b->SetPicIdle(picture);
    b->SetPaintMode(RegionButton::PaintMode::Transparent);
    const QImage shot = host_->grab().toImage();
    QCOMPARE(shot.pixel(10 + 10, 10 + 5), QColor(Qt::blue).rgb());
    QCOMPARE(shot.pixel(10 + 11, 10 + 5), QColor(Qt::yellow).rgb());
  }
};

QTEST_MAIN(RegionButtonTest)
#include "region_button_test.moc"
