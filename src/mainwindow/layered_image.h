// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPolygon>
#include <QWidget>
#include <map>
#include <vector>

#include "mainwindow/scene_layer.h"

namespace kestramo {

// The main window's picture: an ordered stack of layers composed into one image. Changes
// are batched between BeginUpdate and EndUpdate; the composition is rebuilt once per batch.
class LayeredImage : public QWidget {
  Q_OBJECT

 public:
  explicit LayeredImage(QWidget* parent = nullptr);

  // Adds a layer above all others.
  SceneLayer& AddLayer(SceneLayer layer);
  SceneLayer* Layer(int number);
  const std::vector<SceneLayer>& Layers() const { return layers_; }

  void BeginUpdate() { ++updates_; }
  void EndUpdate();
  // Marks the composition stale and repaints (unless inside an update).
  void Changed();

  // The window's outline: the composition is transparent outside it (the cut corners of a
  // window that has an alpha channel instead of a shape).
  void SetOutline(const QPolygon& outline);

  // A ring drawn over the composition around the part that has the keyboard focus (an empty
  // rectangle draws none).
  void SetFocusRing(const QRect& around);

  // The topmost layer under a point, or -1.
  int LayerAt(const QPointF& p) const;
  // The composed picture as it is on screen.
  const QImage& Composed();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void Compose();

  std::vector<SceneLayer> layers_;
  std::map<int, std::size_t> byNumber_;
  QImage composed_;
  QPolygon outline_;
  QRect focusRing_;
  bool stale_ = true;
  int updates_ = 0;
};

}  // namespace kestramo
