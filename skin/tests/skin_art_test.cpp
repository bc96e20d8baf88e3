// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing code of the skin: reproducible textures, masks that give back the picture,
// bevels lit from the right side, pictograms inside their box, doors, handles and loops.
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "hardware.h"
#include "materials.h"
#include "pictograms.h"
#include "resource_set.h"
#include "skin_set.h"
#include "strips.h"

using namespace skin;

namespace {

double Mean(const QImage& img, const QRect& r, int (*channel)(QRgb) = qGray) {
  double sum = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) sum += channel(img.pixel(x, y));
  return sum / (r.width() * r.height());
}

// Mean absolute difference of two equally sized pictures, all four channels.
double Difference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) +
             std::abs(qAlpha(p) - qAlpha(q));
    }
  return sum / (a.width() * a.height());
}

QImage Brushed(std::uint32_t seed) {
  QImage img(60, 30, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&img);
  FillBrushed(p, QRectF(0, 0, 60, 30), QColor(80, 86, 96), seed);
  return img;
}

// Brass pixels: clearly warmer than they are blue.
int BrassPixels(const QImage& img, const QRect& r) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QRgb c = img.pixel(x, y);
      n += qAlpha(c) > 128 && qRed(c) - qBlue(c) > 60;
    }
  return n;
}

const Pictogram kAllPictograms[] = {
    Pictogram::NewBox,  Pictogram::DeleteBox, Pictogram::Find,    Pictogram::Key,      Pictogram::Help,
    Pictogram::About,   Pictogram::Minimise,  Pictogram::Power,   Pictogram::AddFiles, Pictogram::AddFolder,
    Pictogram::Extract, Pictogram::Bin,       Pictogram::Comment, Pictogram::Box,      Pictogram::Exclamation,
    Pictogram::Note,    Pictogram::Folder,
};

}  // namespace

class SkinArtTest : public QObject {
  Q_OBJECT

 private slots:
  void texturesAreReproducible() {
    QCOMPARE(Brushed(7), Brushed(7));
    QVERIFY(Brushed(7) != Brushed(8));
    // Streaks and grain, not a flat fill.
    const QImage img = Brushed(7);
    int lo = 255, hi = 0;
    for (int x = 0; x < img.width(); ++x) {
      lo = std::min(lo, qGray(img.pixel(x, 15)));
      hi = std::max(hi, qGray(img.pixel(x, 15)));
    }
    QVERIFY(hi - lo >= 4);
  }

  void wholeSkinIsReproducible() {
    const ResourceSet a = DrawSkin(), b = DrawSkin();
    QCOMPARE(a.All().size(), b.All().size());
    for (const auto& [name, picture] : a.All()) QVERIFY2(picture == b.Get(name), qPrintable(name));
  }

  void maskAndOpaquePictureGiveBackThePicture() {
    QImage soft = Blank(24, 24);
    {
      QPainter p(&soft);
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(200, 120, 40, 160));
      p.drawEllipse(QRectF(2.3, 2.3, 19, 19));
    }
    const QImage back = ApplyMask(Opaque(soft), MaskOf(soft));
    const QImage want = soft.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        const QRgb got = back.pixel(x, y), w = want.pixel(x, y);
        QCOMPARE(qAlpha(got), qAlpha(w));
        if (qAlpha(w) >= 32) QVERIFY(std::abs(qRed(got) - qRed(w)) <= 8 && std::abs(qBlue(got) - qBlue(w)) <= 8);
      }
    // The opaque picture really is opaque, so loading it cannot darken its colours.
    const QImage opaque = Opaque(soft);
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) QCOMPARE(qAlpha(opaque.pixel(x, y)), 255);
  }

  void intensityFollowsTheProgramsRule() {
    QCOMPARE(Intensity(qRgb(255, 255, 255)), 255);
    QCOMPARE(Intensity(qRgb(0, 0, 0)), 0);
    QCOMPARE(Intensity(qRgb(100, 100, 100)), 100);
    QCOMPARE(Intensity(qRgb(255, 0, 0)), 60);
  }

  void outlineCutsBottomLeftAndTopRight() {
    QImage img(40, 30, QImage::Format_ARGB32);
    img.fill(Qt::black);
    {
      QPainter p(&img);
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      p.drawPolygon(CutOutline(40, 30));
    }
    QCOMPARE(qGray(img.pixel(0, 0)), 255);
    QCOMPARE(qGray(img.pixel(39, 29)), 255);
    QCOMPARE(qGray(img.pixel(0, 29)), 0);
    QCOMPARE(qGray(img.pixel(39, 0)), 0);
    QCOMPARE(qGray(img.pixel(4, 29)), 255);
  }

  void bevelsAreLitFromTheTopLeft() {
    for (const bool raised : {true, false}) {
      QImage img(40, 40, QImage::Format_ARGB32_Premultiplied);
      img.fill(QColor(100, 100, 100));
      {
        QPainter p(&img);
        Bevel(p, QRectF(0, 0, 40, 40), 2, raised);
      }
      const double top = Mean(img, QRect(10, 0, 20, 2)), left = Mean(img, QRect(0, 10, 2, 20));
      const double bottom = Mean(img, QRect(10, 38, 20, 2)), right = Mean(img, QRect(38, 10, 2, 20));
      QCOMPARE(top > bottom, raised);
      QCOMPARE(left > right, raised);
      QCOMPARE(Mean(img, QRect(15, 15, 10, 10)), 100.0);
    }
  }

  void pictogramsAreInkedInsideTheirBox() {
    std::vector<QImage> drawn;
    for (const Pictogram g : kAllPictograms) {
      QImage img = Blank(48, 48);
      {
        QPainter p(&img);
        DrawPictogram(p, g, QRectF(16, 16, 16, 16), Qt::white);
      }
      int inside = 0, outside = 0;
      for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
          const bool ink = qAlpha(img.pixel(x, y)) > 64;
          (QRect(14, 14, 20, 20).contains(x, y) ? inside : outside) += ink;
        }
      QVERIFY2(inside >= 8, qPrintable(QString::number(int(g))));
      QCOMPARE(outside, 0);
      drawn.push_back(img);
    }
    // No two pictograms look alike (a forgotten case draws nothing or a neighbour's).
    for (std::size_t i = 0; i < drawn.size(); ++i)
      for (std::size_t j = i + 1; j < drawn.size(); ++j) QVERIFY(drawn[i] != drawn[j]);
  }

  void doorsKeepTheirDetailInTheColumnsThatStay() {
    const QImage left = Door({QSize(215, 280), 7, false, 1, 10});
    const QImage right = Door({QSize(247, 280), 39, true, 2, 10});
    QCOMPARE(left.size(), QSize(215, 280));
    // The left door's remaining edge is brass trim; its face is steel.
    QVERIFY(BrassPixels(left, QRect(208, 0, 7, 280)) > 7 * 280 / 2);
    QCOMPARE(BrassPixels(left, QRect(20, 20, 100, 100)), 0);
    // The right door's stile ends in a dark seam where the face begins.
    QVERIFY(Mean(right, QRect(38, 10, 1, 260)) < Mean(right, QRect(20, 10, 1, 260)) - 20);
  }

  void handleLeverPointsDownAtRestAndUpWhenPulled() {
    for (const bool up : {false, true}) {
      const QImage h = Handle(QSize(20, 54), up);
      const int top = BrassPixels(h, QRect(0, 0, 20, 22)), bottom = BrassPixels(h, QRect(0, 32, 20, 22));
      QVERIFY2(up ? top > 2 * bottom : bottom > 2 * top, up ? "up" : "down");
      // The corners stay clear, so the layer's alpha hit ignores them.
      QCOMPARE(qAlpha(h.pixel(0, 0)), 0);
    }
  }

  void animationsMoveAndLoopSeamlessly() {
    const ResourceSet set = DrawSkin();
    const struct {
      const char* name;
      int frames, w;
    } strips[] = {{"zip", kZipFrames, kZipW}, {"enc", kEncFrames, kEncW}};
    for (const auto& s : strips) {
      const QImage strip = ApplyMask(set.Get(s.name), set.Get(QString(s.name) + "mask"));
      auto frame = [&](int i) { return strip.copy(i * s.w, 0, s.w, strip.height()); };
      double largestStep = 0;
      int still = 0;
      for (int i = 0; i + 1 < s.frames; ++i) {
        const double d = Difference(frame(i), frame(i + 1));
        largestStep = std::max(largestStep, d);
        still += d == 0;
      }
      QVERIFY2(still <= s.frames / 4, s.name);
      // Wrapping from the last frame to the first is no bigger a jump than any step.
      QVERIFY2(Difference(frame(s.frames - 1), frame(0)) <= largestStep * 1.2, s.name);
    }
    // The end of a loop is its beginning.
    QCOMPARE(ZipFrame(1.0), ZipFrame(0.0));
    QCOMPARE(EncFrame(1.0), EncFrame(0.0));
  }

  void writtenSetListsEveryPictureAndKeepsHotSpots() {
    QTemporaryDir dir;
    ResourceSet set;
    QImage a = Blank(10, 10), b = Blank(10, 10);
    a.fill(Qt::white);
    b.fill(QColor(0, 0, 0, 128));
    set.AddMasked("one", "shared", a);
    set.AddMasked("two", "shared", b);
    set.AddCursor("pointer", a, QPoint(3, 4));
    QVERIFY(set.Write(dir.path()));
    QCOMPARE(Intensity(set.Get("shared").pixel(5, 5)), 255);  // the first picture's shape
    QFile qrc(dir.path() + "/kqxres.qrc");
    QVERIFY(qrc.open(QIODevice::ReadOnly));
    const QByteArray list = qrc.readAll();
    for (const char* name : {"one", "two", "shared", "pointer"}) {
      QVERIFY(list.contains(QByteArray("<file alias=\"") + name + "\">" + name + ".png</file>"));
      QVERIFY(QFile::exists(dir.path() + "/" + name + ".png"));
    }
    QCOMPARE(QImage(dir.path() + "/pointer.png").text("HotSpot"), QString("3,4"));
    QVERIFY(!set.Write("/proc/no-such-place"));
  }
};

QTEST_MAIN(SkinArtTest)
#include "skin_art_test.moc"
