// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/region_button.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "controls/picture_ops.h"
#include "platform/resource_library.h"

namespace kestramo {

namespace {

constexpr int kRepeatMs = 300;

// The picture with every pixel of its key colour made fully transparent.
QImage WithoutKeyColour(const QImage& picture) {
  QImage out = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const QRgb key = out.pixel(0, 0);
  for (int y = 0; y < out.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      if (row[x] == key) row[x] = 0;
    }
  }
  return out;
}

}  // namespace

QRegion KeyColourRegion(const QImage& dense) {
  if (dense.isNull()) return {};
  // The region is in logical pixels: a dense face is sampled once per logical pixel, so the
  // shape is the same at every scale of the skin.
  const QImage picture = dense.devicePixelRatio() == 1
                             ? dense
                             : dense.scaled(LogicalSize(dense), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  const QRgb key = picture.pixel(0, 0);
  QRegion region;
  // Runs of kept pixels per row give the same region as cutting single pixels, in far
  // fewer rectangles.
  for (int y = 0; y < picture.height(); ++y) {
    int x = 0;
    while (x < picture.width()) {
      while (x < picture.width() && picture.pixel(x, y) == key) ++x;
      const int start = x;
      while (x < picture.width() && picture.pixel(x, y) != key) ++x;
      if (x > start) region += QRect(start, y, x - start, 1);
    }
  }
  return region;
}

RegionButton::RegionButton(QWidget* parent) : QWidget(parent) {
  resize(15, 15);
  setMouseTracking(true);
  setFocusPolicy(Qt::TabFocus);  // a click keeps the focus in the field being filled in
  repeatTimer_.setInterval(kRepeatMs);
  connect(&repeatTimer_, &QTimer::timeout, this, &RegionButton::Click);
}

void RegionButton::SetAutoRepeat(bool on) {
  autoRepeat_ = on;
  UpdateRepeatTimer();
}

void RegionButton::SetEnabled(bool on) {
  if (enabled_ == on) return;
  enabled_ = on;
  setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);  // Tab passes over what cannot be pressed
  if (!on && hasFocus()) focusNextChild();
  Refresh();
}

void RegionButton::SetPicIdle(const QImage& picture) {
  picIdle_ = picture;
  if (regionApplied_) {
    RemoveRegion();
    ApplyRegion();
  }
  Refresh();
}

void RegionButton::SetPicDown(const QImage& picture) {
  picDown_ = picture;
  Refresh();
}

void RegionButton::SetPicUp(const QImage& picture) {
  picUp_ = picture;
  Refresh();
}

void RegionButton::SetPicDsbld(const QImage& picture) {
  picDsbld_ = picture;
  Refresh();
}

void RegionButton::SetFaces(const QList<QImage>& faces) {
  // The crop region keeps the idle picture it was built from until the mode changes.
  if (faces.size() > 0) picIdle_ = faces[0];
  if (faces.size() > 1) picUp_ = faces[1];
  if (faces.size() > 2) picDown_ = faces[2];
  if (faces.size() > 3) picDsbld_ = faces[3];
  Refresh();
}

void RegionButton::SetPaintMode(PaintMode mode) {
  if (mode == paintMode_) return;
  if (paintMode_ == PaintMode::Crop) RemoveRegion();
  paintMode_ = mode;
  if (paintMode_ == PaintMode::Crop) ApplyRegion();
  Refresh();
}

void RegionButton::SetCursorSlot(int slot) { setCursor(CursorSlots::Get(slot)); }

const QImage& RegionButton::CurrentPicture() const {
  if (buttonPressed_ && mouseInside_ && enabled_) return picDown_.isNull() ? picIdle_ : picDown_;
  if ((mouseInside_ || hasFocus()) && !buttonPressed_ && enabled_) return picUp_.isNull() ? picIdle_ : picUp_;
  if (!enabled_ && !picDsbld_.isNull()) return picDsbld_;
  return picIdle_;
}

bool RegionButton::HitTest(const QPoint& pos) const {
  if (!rect().contains(pos)) return false;
  return !regionApplied_ || picIdle_.isNull() || mask().contains(pos);
}

void RegionButton::paintEvent(QPaintEvent*) {
  const QImage& face = CurrentPicture();
  if (face.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, paintMode_ == PaintMode::Transparent ? WithoutKeyColour(face) : face);
  if (!hasFocus()) return;
  // The focus ring: a light line just inside the face's own outline, as the skin's bevels
  // are lit from above, and a dark one inside it so it shows on light and dark faces alike.
  const QRegion shape = regionApplied_ ? mask() : QRegion(rect());
  painter.setClipRegion(shape);
  const QRectF ring = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const qreal round = std::min(ring.width(), ring.height()) / 2;
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(255, 255, 255, 230), 1.0, Qt::SolidLine));
  painter.drawRoundedRect(ring, round, round);
  painter.setPen(QPen(QColor(0, 0, 0, 200), 1.0, Qt::DotLine));
  painter.drawRoundedRect(ring.adjusted(1.5, 1.5, -1.5, -1.5), round - 1.5, round - 1.5);
}

void RegionButton::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (event->isAutoRepeat() || (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter)) {
    QWidget::keyPressEvent(event);  // the dialog's own keys (Esc, letters) pass on
    return;
  }
  Click();
}

void RegionButton::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void RegionButton::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void RegionButton::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  SetMouseInside(HitTest(event->position().toPoint()));
}

void RegionButton::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  SetMouseInside(false);
}

void RegionButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !HitTest(event->position().toPoint())) {
    event->ignore();  // a cut-out pixel belongs to what lies beneath
    return;
  }
  mouseInside_ = true;
  buttonPressed_ = true;
  Refresh();
  emit mouseDown(event);
  UpdateRepeatTimer();
}

void RegionButton::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  // While the button is held the pointer is captured, so leaving shows up as a move.
  SetMouseInside(HitTest(event->position().toPoint()));
}

void RegionButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !buttonPressed_) {
    event->ignore();
    return;
  }
  // The click comes first, while the face still shows the button pressed.
  if (HitTest(event->position().toPoint())) Click();
  buttonPressed_ = false;
  Refresh();
  emit mouseUp(event);
  UpdateRepeatTimer();
}

void RegionButton::mouseDoubleClickEvent(QMouseEvent* event) {
  // The toolkit delivers the second press of a double click before it knows it is one;
  // undone here, so that its release gives no second click.
  event->accept();
  if (!buttonPressed_) return;
  buttonPressed_ = false;
  Refresh();
  UpdateRepeatTimer();
}

void RegionButton::Click() {
  if (enabled_) emit clicked();
}

void RegionButton::SetMouseInside(bool inside) {
  if (inside == mouseInside_) return;
  mouseInside_ = inside;
  Refresh();
  if (inside) {
    emit mouseEnter();
  } else {
    emit mouseLeave();
  }
  UpdateRepeatTimer();
}

void RegionButton::Refresh() {
  const QImage& face = CurrentPicture();
  if (!face.isNull() && size() != LogicalSize(face)) resize(LogicalSize(face));
  if (isVisible()) repaint();
}

void RegionButton::UpdateRepeatTimer() {
  const bool run = autoRepeat_ && mouseInside_ && buttonPressed_;
  if (run && !repeatTimer_.isActive()) repeatTimer_.start();
  if (!run) repeatTimer_.stop();
}

void RegionButton::ApplyRegion() {
  if (paintMode_ != PaintMode::Crop || regionApplied_) return;
  setMask(KeyColourRegion(picIdle_));
  regionApplied_ = true;
}

void RegionButton::RemoveRegion() {
  clearMask();
  regionApplied_ = false;
}

}  // namespace kestramo
