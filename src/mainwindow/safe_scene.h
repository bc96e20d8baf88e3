// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QTimer>
#include <functional>

#include "mainwindow/box_views.h"
#include "mainwindow/layered_image.h"

namespace kestramo {

// The safe as it is drawn: the two panels shown in the column of boxes, their doors, lights
// and handles, the doors' motion and the first-start plate. The window's input and commands
// say what changed; this puts every layer where it belongs.
class SafeScene {
 public:
  // `settled` runs once the panels or doors have come to rest (the focus ring follows them).
  SafeScene(LayeredImage& image, BoxViews& views, std::function<void()> settled);
  // The doors' and the panel's pictures, once the skin is loaded.
  void LoadPictures();

  // Lays out both panels for TopBox, `offset` pixels up the column of panels, and redraws them.
  void PlacePanels(float offset);
  // Redraws the name and item list of a box shown in one of the panels.
  void DrawBoxPanel(int box);
  void DrawShownPanels();
  // Gives a handle layer (11, 23 or 38) its up or down picture.
  void SetHandlePicture(int layerNumber, bool up);
  // A panel's light layer on or off (its switch shows the other way).
  void ShowLight(int panel, bool lit);
  // Whether a panel's light is on: its box's own, or a drop about to land on it.
  bool PanelLit(int panel) const;
  // The box shown on the panel a layer belongs to, or -1.
  int BoxOfLayer(int number) const;
  // The panel (0 or 1) that a drop would land on, lit and framed; -1 for none.
  void ShowDropTarget(int panel);
  int DropPanel() const { return dropPanel_; }

  // Aims the doors that a handle (11, 23 or 38) works: they open when shut, and shut when open.
  void AimDoors(int handle);
  void StartDoors() { doorTimer_.start(); }
  bool DoorsMoving() const { return doorTimer_.isActive(); }
  // Flips a box's light switch.
  void ToggleLight(int lightSwitch);

 private:
  void PlacePanel(int panel, float offset);
  void ShowClosedSafeHint();
  void DoorTick();

  LayeredImage& image_;
  BoxViews& views_;
  std::function<void()> settled_;
  QTimer doorTimer_;
  int doorLayer_ = 3;
  bool doorOpening_ = false;
  int dropPanel_ = -1;
  QImage smallBoxBack_, smallRightDoor_, smallLeftDoor_, bigRightDoor_, bigLeftDoor_;
};

}  // namespace kestramo
