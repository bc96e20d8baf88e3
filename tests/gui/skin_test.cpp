// SPDX-License-Identifier: GPL-3.0-or-later
// The skin's resource file against what the program loads from it: names, sizes, masks,
// the dialog buttons' key colour and the cursors' hot spots.
#include <QtTest>
#include <cmath>

#include "platform/resource_library.h"

using kestramo::ResourceLibrary;

namespace {

QImage Raw(const QString& name) { return QImage(QStringLiteral(":/kqx/") + name); }

int Intensity(QRgb c) { return (61 * qRed(c) + 174 * qGreen(c) + 21 * qBlue(c)) >> 8; }

double MeanIntensity(const QImage& img, const QRect& r) {
  double sum = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) sum += Intensity(img.pixel(x, y));
  return sum / (r.width() * r.height());
}

struct Sized {
  const char* name;
  QSize size;
};

// Pictures whose size the program's layout depends on.
const Sized kFixed[] = {
    {"bbox", {560, 420}},    {"bboxa", {560, 420}},   {"sbox", {474, 351}},     {"lsd", {215, 280}},
    {"rsd", {247, 280}},     {"lbd", {262, 353}},     {"rbd", {285, 353}},      {"light", {456, 278}},
    {"name", {301, 112}},    {"login", {279, 112}},   {"password", {282, 152}}, {"confirm", {315, 101}},
    {"message", {301, 100}}, {"comment", {316, 186}}, {"about", {320, 240}},    {"find", {422, 264}},
    {"browse", {341, 307}},  {"status", {317, 92}},   {"zip", {1280, 42}},      {"zipmask", {1280, 42}},
    {"enc", {1767, 53}},     {"encmask", {1767, 53}}, {"psd", {32, 32}},        {"psdmask", {32, 32}},
    {"appicon", {64, 64}},   {"hand1", {32, 32}},     {"hand2", {32, 32}},      {"hand3", {32, 32}},
};

// Picture and the mask that gives it its alpha.
const std::pair<const char*, const char*> kMasked[] = {
    {"sslider", "sslidera"}, {"sblight", "sblighta"}, {"shdown", "shdowna"}, {"shup", "shupa"},
    {"bslider", "bslidera"}, {"bhdown", "bhdowna"},   {"bhup", "bhupa"},     {"bbox", "bboxa"},
    {"zip", "zipmask"},      {"enc", "encmask"},      {"psd", "psdmask"},    {"sbfil", "sbalpha"},
    {"sbfol", "sbalpha"},    {"sbexp", "sbalpha"},    {"sbdel", "sbalpha"},  {"sbcom", "sbalpha"},
    {"bbnew", "bbalpha"},    {"bbdel", "bbalpha"},    {"bbfin", "bbalpha"},  {"bbpas", "bbalpha"},
    {"bbhel", "bbalpha"},    {"bbabo", "bbalpha"},    {"bbmin", "bbalpha"},  {"bbexi", "bbalpha"},
};

// Spread of intensity in a rectangle: low where the picture is calm.
double Spread(const QImage& img, const QRect& r) {
  const double mean = MeanIntensity(img, r);
  double sum = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) sum += std::pow(Intensity(img.pixel(x, y)) - mean, 2);
  return std::sqrt(sum / (r.width() * r.height()));
}

bool Warm(QRgb c) { return qRed(c) - qBlue(c) > 50; }

bool IsKeyCorner(int x, int y, int w, int h) {
  const int cx = std::min(x, w - 1 - x), cy = std::min(y, h - 1 - y);
  return cx + cy <= 1;
}

}  // namespace

class SkinTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(ResourceLibrary::Load(QStringLiteral(KESTRAMO_SKIN_RCC))); }

  void fixedSizes() {
    for (const Sized& s : kFixed) {
      const QImage img = ResourceLibrary::Picture(s.name);
      QVERIFY2(!img.isNull(), s.name);
      QCOMPARE(img.size(), s.size);
    }
  }

  void masksAreGreyAndMatchTheirPictures() {
    for (const auto& [picture, mask] : kMasked) {
      const QImage p = Raw(picture), m = Raw(mask);
      QVERIFY2(!p.isNull() && !m.isNull(), picture);
      QCOMPARE(m.size(), p.size());
      for (int y = 0; y < m.height(); y += 3)
        for (int x = 0; x < m.width(); x += 3) {
          const QRgb c = m.pixel(x, y);
          QVERIFY2(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c), mask);
        }
    }
  }

  void sceneButtonsFitTheirSlots() {
    const QImage small = Raw("sbalpha"), big = Raw("bbalpha");
    QVERIFY(small.width() <= 88 && small.height() <= 20);
    QVERIFY(big.width() <= 52 && big.height() <= 20);
    // A button must be clickable in its middle.
    QCOMPARE(Intensity(small.pixel(small.width() / 2, small.height() / 2)), 255);
    QCOMPARE(Intensity(big.pixel(big.width() / 2, big.height() / 2)), 255);
  }

  void bodyMaskOpensExactlyTheWindow() {
    const QImage mask = Raw("bboxa");
    const QRect window(16, 60, 474, 351);
    for (int y = 0; y < mask.height(); ++y)
      for (int x = 0; x < mask.width(); ++x) {
        const int a = Intensity(mask.pixel(x, y));
        if (window.contains(x, y)) QVERIFY2(a == 0, qPrintable(QString("%1,%2").arg(x).arg(y)));
      }
    // Around the window the body is solid, so it catches the pointer for dragging.
    for (const QPoint p : {QPoint(15, 200), QPoint(490, 200), QPoint(200, 59), QPoint(200, 411), QPoint(280, 20)})
      QCOMPARE(Intensity(mask.pixel(p)), 255);
  }

  void panelIsDarkWhereLightTextGoes() {
    const QImage panel = Raw("sbox");
    QVERIFY(MeanIntensity(panel, QRect(17, 60, 395, 277)) < 50);
    QVERIFY(MeanIntensity(panel, QRect(70, 9, 333, 25)) < 50);
  }

  void dialogButtonsKeyOnlyTheirCorners() {
    const struct {
      const char* key;
      int width;
    } faces[] = {{"ok", 51},     {"cancel", 51}, {"yes", 51},     {"no", 51},   {"findnow", 88},
                 {"export", 88}, {"delete", 88}, {"comment", 88}, {"close", 88}};
    for (const auto& [key, width] : faces)
      for (const char* state : {"idle", "down", "disabled"}) {
        const QString name = QString("btn_%1_%2").arg(key, state);
        const QImage img = Raw(name);
        QVERIFY2(!img.isNull(), qPrintable(name));
        QCOMPARE(img.size(), QSize(width, 14));
        QCOMPARE(img.pixel(0, 0) & 0xffffff, 0u);
        for (int y = 0; y < img.height(); ++y)
          for (int x = 0; x < img.width(); ++x) {
            const bool black = (img.pixel(x, y) & 0xffffff) == 0;
            QVERIFY2(black == IsKeyCorner(x, y, img.width(), img.height()),
                     qPrintable(QString("%1 at %2,%3").arg(name).arg(x).arg(y)));
          }
      }
  }

  void pressedFacesAreDarkerWithTheCaptionOneLower() {
    for (const char* key : {"ok", "cancel", "findnow", "close"}) {
      const QImage idle = Raw(QString("btn_%1_idle").arg(key)), down = Raw(QString("btn_%1_down").arg(key));
      const QImage grey = Raw(QString("btn_%1_disabled").arg(key));
      const QRect face(4, 2, idle.width() - 8, idle.height() - 4);
      QVERIFY2(MeanIntensity(down, face) < MeanIntensity(idle, face) - 10, key);
      // The caption's first dark row.
      auto captionTop = [](const QImage& img) {
        for (int y = 0; y < img.height(); ++y)
          for (int x = 10; x < img.width() - 10; ++x)
            if (Intensity(img.pixel(x, y)) < 40) return y;
        return -1;
      };
      QVERIFY2(captionTop(idle) > 0, key);
      QCOMPARE(captionTop(down), captionTop(idle) + 1);
      // Disabled faces are grey: no colour cast in the middle of the face.
      const QRgb mid = grey.pixel(6, grey.height() / 2);
      QVERIFY2(std::abs(qRed(mid) - qBlue(mid)) < 16, key);
    }
  }

  void cursorsPointWithTheirHotSpot() {
    for (const char* name : {"hand1", "hand2", "hand3"}) {
      const QImage img = Raw(name);
      const QStringList hot = img.text("HotSpot").split(',');
      QCOMPARE(hot.size(), 2);
      const QPoint at(hot[0].toInt(), hot[1].toInt());
      QVERIFY(img.rect().contains(at));
      // The hot spot lies on the hand (or its outline), not in empty space.
      int nearest = 99;
      for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
          if (qAlpha(img.pixel(x, y)) > 200) nearest = std::min(nearest, std::abs(x - at.x()) + std::abs(y - at.y()));
      QVERIFY2(nearest <= 1, name);
    }
    QVERIFY(!ResourceLibrary::Cursor("hand1").pixmap().isNull());
  }

  void everyAnimationFrameIsDrawn() {
    const struct {
      const char* mask;
      int frames, width;
    } strips[] = {{"zipmask", 20, 64}, {"encmask", 31, 57}};
    for (const auto& s : strips) {
      const QImage m = Raw(s.mask);
      for (int f = 0; f < s.frames; ++f) {
        int opaque = 0;
        for (int y = 0; y < m.height(); ++y)
          for (int x = f * s.width; x < (f + 1) * s.width; ++x) opaque += Intensity(m.pixel(x, y)) > 128;
        QVERIFY2(opaque > 100, qPrintable(QString("%1 frame %2").arg(s.mask).arg(f)));
      }
    }
  }

  void maskedPicturesAreStoredOpaque() {
    // Their alpha comes from the mask; a transparent pixel would lose its colour on loading.
    for (const auto& [picture, mask] : kMasked) {
      const QImage p = Raw(picture);
      if (QByteArray(picture) == "bbox") continue;  // the body's cut corners are empty anyway
      for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) QVERIFY2(qAlpha(p.pixel(x, y)) == 255, picture);
    }
  }

  void pressedLookLiesBeneathTheButtons() {
    // A pressed button's layer is hidden: what shows is the picture beneath it.
    const QImage panel = Raw("sbox"), body = Raw("bbox");
    for (int k = 0; k < 5; ++k) QVERIFY(Warm(panel.pixel(10 + 92 * k + 44, 39 + 10)));
    for (const int left : {8, 63, 118, 173, 228, 283, 448, 503}) QVERIFY(Warm(body.pixel(left + 26, 39 + 6)));
    // The lit switch: brighter beneath than on the switch itself.
    const QRect lamp(8, 8, 8, 8);
    QVERIFY(MeanIntensity(panel, lamp.translated(442, 13)) > MeanIntensity(Raw("sblight"), lamp) + 60);
  }

  void doorsCoverTheirOpeningsAndClearTheSliders() {
    const QImage lbd = Raw("lbd"), rbd = Raw("rbd"), lsd = Raw("lsd"), rsd = Raw("rsd");
    // Big doors: from x 9 and 263, shut they meet and reach past the big slider.
    QVERIFY(9 + lbd.width() > 263);
    QVERIFY(263 + rbd.width() >= 514);
    QVERIFY(59 + lbd.height() >= 411 && 59 + rbd.height() >= 411);
    // Open, the right door's remaining strip lies right of the big slider.
    QVERIFY(263 + lbd.width() - 8 >= 514);
    // Small doors (panel x 10 and 221) cover the list and the item slider when shut.
    QVERIFY(10 + lsd.width() > 221);
    QVERIFY(221 + rsd.width() >= 426);
    QVERIFY(60 + lsd.height() >= 337 && 60 + rsd.height() >= 337);
    // Open, the right door keeps its right edge with 39 columns, clear of the slider.
    QVERIFY(221 + rsd.width() - 39 >= 426);
    // The right door slides as far as the left one shrinks and keeps its right edge.
    QCOMPARE(221 + (lsd.width() - 7) + 39, 221 + rsd.width());
  }

  void dialogsAreCalmWhereTextAndTheAnimationGo() {
    // Where the dialogs draw their white labels.
    const struct {
      const char* name;
      QRect label;
    } labels[] = {{"name", {90, 40, 200, 13}},     {"login", {90, 40, 180, 13}},   {"password", {90, 40, 180, 13}},
                  {"password", {90, 82, 180, 13}}, {"confirm", {90, 40, 215, 30}}, {"message", {90, 37, 202, 31}},
                  {"comment", {90, 40, 215, 13}},  {"find", {10, 40, 400, 13}},    {"find", {10, 80, 400, 13}},
                  {"browse", {10, 40, 320, 28}},   {"status", {85, 10, 220, 27}},  {"about", {68, 178, 240, 13}}};
    for (const auto& [name, label] : labels) {
      const QImage img = Raw(name);
      QVERIFY2(Spread(img, label) < 14, name);
      QVERIFY2(MeanIntensity(img, label) < 90, name);  // white text stays readable
    }
    QVERIFY(Spread(Raw("status"), QRect(10, 14, 64, 53)) < 10);
  }

  // The round emblem and its shadow end above the dialog's bottom edge: no gold of its rim in
  // the lowest rows beneath it.
  void emblemsSitWholeInsideTheirDialogs() {
    for (const char* name :
         {"name", "login", "password", "confirm", "message", "comment", "overwrite", "note", "harden"}) {
      const QImage img = Raw(name);
      const int rows = std::max(2, img.height() / 30);
      int gold = 0;
      for (int y = img.height() - rows; y < img.height(); ++y)
        for (int x = img.width() / 20; x < img.width() / 4; ++x) {
          const QColor c = img.pixelColor(x, y);
          gold += c.red() > 150 && c.red() - c.blue() > 60;
        }
      QVERIFY2(gold == 0, name);
    }
  }

  void lightOnlyBrightens() {
    const QImage light = Raw("light");
    QVERIFY(light.size().width() >= 400);
    // Added to what lies beneath: a faint glow, never a wash that drowns the list.
    QVERIFY(MeanIntensity(light, light.rect()) < 60);
    QVERIFY(MeanIntensity(light, light.rect()) > 5);
  }
};

QTEST_MAIN(SkinTest)
#include "skin_test.moc"
