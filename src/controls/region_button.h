// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QList>
#include <QTimer>
#include <QWidget>

class QEnterEvent;
class QKeyEvent;
class QMouseEvent;

namespace kestramo {

// A picture button of the skinned dialogs: one of four faces by state, optionally shaped
// to its idle picture so that the key-coloured pixels are not part of the button at all.
// It takes the keyboard focus by Tab, shows it with the lit face and a ring along its
// outline, and Space or Enter press it.
class RegionButton : public QWidget {
  Q_OBJECT

 public:
  enum class PaintMode { Normal, Crop, Transparent };

  explicit RegionButton(QWidget* parent = nullptr);

  bool AutoRepeat() const { return autoRepeat_; }
  void SetAutoRepeat(bool on);
  // The button's own enabled state: it still receives the pointer and raises its mouse
  // signals while disabled; only the click and the face depend on it.
  bool Enabled() const { return enabled_; }
  bool Disabled() const { return !enabled_; }
  void SetEnabled(bool on);

  const QImage& PicIdle() const { return picIdle_; }
  void SetPicIdle(const QImage& picture);
  void SetPicDown(const QImage& picture);
  void SetPicUp(const QImage& picture);
  void SetPicDsbld(const QImage& picture);
  // Faces by position: idle, up, down, disabled; absent positions are left as they are.
  void SetFaces(const QList<QImage>& faces);

  PaintMode Mode() const { return paintMode_; }
  void SetPaintMode(PaintMode mode);
  bool RegionApplied() const { return regionApplied_; }

  // One of the custom cursor slots (1 to 3) shown while the pointer is over the button.
  void SetCursorSlot(int slot);

  // The face for the present state.
  const QImage& CurrentPicture() const;
  // True when `pos` belongs to the button (inside it and not cut out by the crop region).
  bool HitTest(const QPoint& pos) const;
  // Presses the button as a click would (nothing when it is disabled).
  void Press() { Click(); }

 signals:
  void clicked();
  void mouseDown(QMouseEvent* event);
  void mouseUp(QMouseEvent* event);
  void mouseEnter();
  void mouseLeave();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void Click();
  void SetMouseInside(bool inside);
  void Refresh();
  void UpdateRepeatTimer();
  void ApplyRegion();
  void RemoveRegion();

  bool autoRepeat_ = false;
  bool enabled_ = true;
  bool mouseInside_ = false;
  bool buttonPressed_ = false;
  bool regionApplied_ = false;
  PaintMode paintMode_ = PaintMode::Normal;
  QImage picIdle_, picDown_, picUp_, picDsbld_;
  QTimer repeatTimer_;
};

// The region of `picture` without every pixel that has the colour of its pixel (0,0).
QRegion KeyColourRegion(const QImage& picture);

}  // namespace kestramo
