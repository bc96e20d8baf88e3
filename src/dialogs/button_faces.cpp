// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/button_faces.h"

#include <QPainter>

#include "dialogs/skinned_dialog.h"
#include "platform/resource_library.h"

namespace kestramo {

namespace {

const char* StateName(FaceState state) {
  switch (state) {
    case FaceState::Down: return "down";
    case FaceState::Disabled: return "disabled";
    case FaceState::Hover: return "hover";
    case FaceState::Idle: break;
  }
  return "idle";
}

QImage PlainFace(const QString& caption, FaceState state) {
  const QSize size = ButtonFaceSize(caption);
  QImage face(size, QImage::Format_ARGB32_Premultiplied);
  const QColor fill = state == FaceState::Disabled ? QColor(150, 150, 150)
                      : state == FaceState::Down   ? QColor(176, 140, 40)
                      : state == FaceState::Hover  ? QColor(232, 198, 96)
                                                   : QColor(214, 176, 64);
  face.fill(fill);
  QPainter p(&face);
  p.setFont(SkinnedDialog::DialogFont());
  p.setPen(Qt::black);
  p.drawText(face.rect(), Qt::AlignCenter, caption.left(1).toUpper() + caption.mid(1));
  p.end();
  // Black corners, three pixels each, like the skin's faces, so the crop region rounds them.
  const int w = size.width() - 1, h = size.height() - 1;
  for (const QPoint& c : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)}) {
    const int dx = c.x() == 0 ? 1 : -1, dy = c.y() == 0 ? 1 : -1;
    face.setPixel(c, qRgb(0, 0, 0));
    face.setPixel(c.x() + dx, c.y(), qRgb(0, 0, 0));
    face.setPixel(c.x(), c.y() + dy, qRgb(0, 0, 0));
  }
  return face;
}

}  // namespace

QSize ButtonFaceSize(const QString& caption) {
  static const QStringList kShort = {"ok", "cancel", "yes", "no"};
  return QSize(kShort.contains(caption) ? 51 : 88, 14);
}

QImage ButtonFace(const QString& caption, FaceState state) {
  const QImage face = ResourceLibrary::Picture(QStringLiteral("btn_%1_%2").arg(caption, StateName(state)));
  return face.isNull() ? PlainFace(caption, state) : face;
}

}  // namespace kestramo
