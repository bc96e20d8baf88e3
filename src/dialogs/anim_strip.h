// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

class QPainter;

namespace kestramo {

// A looping animation stored as equal frames side by side in one picture, with its
// transparency taken from a separate mask picture.
class AnimStrip {
 public:
  AnimStrip(const QString& picture, const QString& mask, QSize frameSize, int frames);

  QSize FrameSize() const { return frameSize_; }
  int Frames() const { return frames_; }
  // Blends frame `frame` with its alpha at `at`; draws nothing while the skin lacks the strip.
  void DrawFrame(QPainter& painter, int frame, QPoint at) const;

  // The picture's colours with the alpha of the mask's intensity ((61R + 174G + 21B) >> 8),
  // in the mask's size; a null image when either is missing.
  static QImage WithAlphaFrom(const QImage& picture, const QImage& mask);

 private:
  const QImage& Strip() const;

  QString picture_, mask_;
  mutable QImage strip_;  // made when first drawn: a status dialog is built long before it shows
  mutable bool made_ = false;
  QSize frameSize_;
  int frames_;
};

}  // namespace kestramo
