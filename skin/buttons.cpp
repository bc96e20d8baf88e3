// SPDX-License-Identifier: GPL-3.0-or-later
#include "buttons.h"

#include <QPainterPath>
#include <algorithm>

#include "materials.h"

namespace skin {

const std::vector<SceneButton>& BigButtons() {
  static const std::vector<SceneButton> row = {
      {"bbnew", Pictogram::NewBox, "", 8},     {"bbdel", Pictogram::DeleteBox, "", 63},
      {"bbfin", Pictogram::Find, "", 118},     {"bbpas", Pictogram::Key, "", 173},
      {"bbhel", Pictogram::Help, "", 228},     {"bbabo", Pictogram::About, "", 283},
      {"bbmin", Pictogram::Minimise, "", 448}, {"bbexi", Pictogram::Power, "", 503},
  };
  return row;
}

const std::vector<SceneButton>& SmallButtons() {
  static const std::vector<SceneButton> row = {
      {"sbfil", Pictogram::AddFiles, "Files", 10},   {"sbfol", Pictogram::AddFolder, "Folder", 102},
      {"sbexp", Pictogram::Extract, "Extract", 194}, {"sbdel", Pictogram::Bin, "Delete", 286},
      {"sbcom", Pictogram::Comment, "Comment", 378},
  };
  return row;
}

namespace {

const QColor kInk(58, 36, 6);

QRectF FaceRect(QSize size) { return QRectF(0.5, 0.5, size.width() - 2.0, size.height() - 2.0); }

void PaintFace(QPainter& p, QRectF r, const SceneButton& button, bool pressed) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const int shade = pressed ? -40 : 0;
  QPainterPath body;
  body.addRoundedRect(r, 5, 5);
  p.setPen(QPen(QColor(70, 44, 8), 1));
  p.setBrush(Brass(r, shade));
  p.drawPath(body);
  // Rim light on the top (idle) or a cast shadow from the rim (pressed).
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(pressed ? QColor(40, 24, 0, 120) : QColor(255, 250, 220, 170), 1));
  p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 4, 4);
  const qreal side = r.height() - 4;
  const bool wide = button.word[0] != '\0';
  QRectF glyph(r.left() + (wide ? 5 : (r.width() - side) / 2), r.top() + 2, side, side);
  DrawPictogram(p, button.glyph, glyph.translated(0.6, 0.8), QColor(255, 240, 190, 120));
  DrawPictogram(p, button.glyph, glyph, kInk);
  if (wide) {
    const QRectF text(glyph.right() + 3, r.top(), r.right() - glyph.right() - 5, r.height());
    p.setFont(SkinFont(10));
    p.setPen(QColor(255, 240, 190, 120));
    p.drawText(text.translated(0.6, 0.8), Qt::AlignCenter, button.word);
    p.setPen(kInk);
    p.drawText(text, Qt::AlignCenter, button.word);
  }
  p.restore();
}

}  // namespace

QImage SceneButtonFace(QSize size, const SceneButton& button, bool pressed) {
  QImage face = Blank(size.width(), size.height());
  {
    QPainter p(&face);
    PaintFace(p, FaceRect(size).translated(pressed ? 1 : 0, pressed ? 1 : 0), button, pressed);
  }
  return pressed ? face : WithShadow(face, QPoint(1, 1), 1, 150);
}

void PaintPressedRow(QPainter& p, QSize size, const std::vector<SceneButton>& row) {
  for (const SceneButton& button : row) {
    // A dark socket first, so the sunken face reads as pushed in.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawRoundedRect(QRectF(button.left, kButtonRowTop, size.width() - 0.5, size.height() - 0.5), 5.5, 5.5);
    p.restore();
    p.drawImage(button.left, kButtonRowTop, SceneButtonFace(size, button, true));
  }
}

void AddSceneButtons(ResourceSet& set) {
  for (const SceneButton& button : BigButtons())
    set.AddMasked(button.name, "bbalpha", SceneButtonFace(kBigButton, button, false));
  for (const SceneButton& button : SmallButtons())
    set.AddMasked(button.name, "sbalpha", SceneButtonFace(kSmallButton, button, false));
}

namespace {

// The rectangle around the capsule matches the dark dialog steel, so the ends look
// round although only the corner pixels are cropped.
const QColor kSurround(30, 33, 39);

void KeyCorners(QImage& img) {
  const int w = img.width(), h = img.height();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if ((img.pixel(x, y) & 0xffffff) == 0) img.setPixel(x, y, qRgb(1, 1, 1));
  // The cut corners are three logical pixels each: every device pixel inside them is keyed.
  const qreal s = img.devicePixelRatio();
  const auto cut = [s](int device) { return int(device / s); };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int lx = std::min(cut(x), cut(w - 1 - x)), ly = std::min(cut(y), cut(h - 1 - y));
      if (lx + ly <= 1) img.setPixel(x, y, qRgb(0, 0, 0));
    }
}

QLinearGradient Grey(const QRectF& r) {
  QLinearGradient g(0, r.top(), 0, r.bottom());
  g.setColorAt(0, QColor(190, 192, 196));
  g.setColorAt(0.5, QColor(140, 142, 148));
  g.setColorAt(1, QColor(112, 114, 120));
  return g;
}

}  // namespace

QImage DialogButtonFace(int width, const QString& caption, FaceState state) {
  const int h = 14;
  QImage img = Blank(width, h);
  img.fill(kSurround);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF r(0.5, 0.5, width - 1.0, h - 1.0);
    p.setPen(QPen(state == FaceState::Disabled ? QColor(70, 72, 78) : QColor(84, 54, 10), 1));
    if (state == FaceState::Disabled) p.setBrush(Grey(r));
    else p.setBrush(Brass(r, state == FaceState::Down ? -36 : state == FaceState::Hover ? 24 : 0));
    p.drawRoundedRect(r, 6.5, 6.5);
    if (state == FaceState::Idle || state == FaceState::Hover) {
      p.setPen(QPen(QColor(255, 250, 225, 150), 1));
      p.drawLine(QPointF(6, 1.5), QPointF(width - 6, 1.5));
    }
    QFont f = SkinFont(10);
    f.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(f);
    p.setPen(state == FaceState::Disabled ? QColor(88, 90, 96) : QColor(24, 14, 2));
    p.drawText(QRectF(0, state == FaceState::Down ? 1 : 0, width, h), Qt::AlignCenter, caption);
  }
  KeyCorners(img);
  return img;
}

void AddDialogButtons(ResourceSet& set) {
  struct Caption {
    const char* key;
    const char* text;
    int width;
  };
  static const Caption captions[] = {
      {"ok", "Ok", 51},
      {"cancel", "Cancel", 51},
      {"yes", "Yes", 51},
      {"no", "No", 51},
      {"findnow", "Find Now", 88},
      {"export", "Export", 88},
      {"delete", "Delete", 88},
      {"comment", "Comment", 88},
      {"close", "Close", 88},
      {"yesall", "Yes to All", 88},
      {"noall", "No to All", 88},
      {"newfolder", "New Folder", 88},
  };
  for (const Caption& c : captions) {
    const QString base = QString("btn_%1_").arg(c.key);
    set.Add(base + "idle", DialogButtonFace(c.width, c.text, FaceState::Idle));
    set.Add(base + "down", DialogButtonFace(c.width, c.text, FaceState::Down));
    set.Add(base + "disabled", DialogButtonFace(c.width, c.text, FaceState::Disabled));
    set.Add(base + "hover", DialogButtonFace(c.width, c.text, FaceState::Hover));
  }
}

}  // namespace skin
