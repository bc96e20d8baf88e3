// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window_shape.h"

#include <QGuiApplication>
#include <QWidget>

namespace kestramo {

bool ShapesByAlpha() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

void ShapeWindow(QWidget& window, const QRegion& outline) {
  if (ShapesByAlpha()) {
    window.setAttribute(Qt::WA_TranslucentBackground);
    window.setAttribute(Qt::WA_NoSystemBackground);
  }
  window.setMask(outline);
}

}  // namespace kestramo
