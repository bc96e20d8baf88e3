// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace kestramo {

// The skin's horizontal progress bar: a sunken well filled from the left by a bar with a
// vertical gradient and a light-and-dark bevel. It only draws what Min, Max and Position say.
class SkinProgressBar : public QWidget {
  Q_OBJECT

 public:
  explicit SkinProgressBar(QWidget* parent = nullptr);

  QColor BackColor() const { return backColor_; }
  void SetBackColor(const QColor& colour);
  QColor Color() const { return color_; }
  void SetColor(const QColor& colour);
  int Contrast() const { return contrast_; }
  void SetContrast(int contrast);
  bool Framed() const { return framed_; }
  void SetFramed(bool framed);
  int Min() const { return min_; }
  void SetMin(int min);
  int Max() const { return max_; }
  void SetMax(int max);
  int Position() const { return position_; }
  // Repaints at once, and only when the value changes.
  void SetPosition(int position);

  // The whole control as drawn from its properties.
  QImage Render() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor backColor_;
  QColor color_;
  int contrast_ = 64;
  bool framed_ = true;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

}  // namespace kestramo
