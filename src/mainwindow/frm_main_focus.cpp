// SPDX-License-Identifier: GPL-3.0-or-later
// The safe from the keyboard: Tab walks its buttons, handles and switches in reading order,
// a ring shows the one focused, and Space or Enter press it as a click would.
#include <QKeyEvent>
#include <algorithm>

#include "mainwindow/frm_main.h"
#include "mainwindow/layer_hints.h"
#include "mainwindow/scene_layers.h"

namespace kestramo {

namespace {

bool TakesFocus(int number) {
  const int part = layer::PartOf(number);
  return IsButtonLayer(number) || part == layer::kLightSwitch || part == layer::kHandle || number == layer::kBigHandle;
}

}  // namespace

std::vector<int> FrmMain::FocusStops() const {
  // A layer can be reached when its middle is not covered (by a door, the safe's frame) and
  // lies on the window.
  struct Stop {
    int number;
    QPointF middle;
  };
  std::vector<Stop> stops;
  for (const SceneLayer& layer : imgMain_->Layers()) {
    if (!TakesFocus(layer.number) || (layer.number < layer::kBigBox && scene_.BoxOfLayer(layer.number) < 0)) continue;
    const QPointF middle = layer.Location().center();
    if (rect().contains(middle.toPoint()) && imgMain_->LayerAt(middle) == layer.number)
      stops.push_back({layer.number, middle});
  }
  // Reading order; parts a few pixels apart in height are on one line.
  constexpr int kLine = 12;
  std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) {
    const int lineA = static_cast<int>(a.middle.y()) / kLine, lineB = static_cast<int>(b.middle.y()) / kLine;
    return lineA != lineB ? lineA < lineB : a.middle.x() < b.middle.x();
  });
  std::vector<int> numbers;
  for (const Stop& stop : stops) numbers.push_back(stop.number);
  return numbers;
}

bool FrmMain::focusNextPrevChild(bool next) {
  const std::vector<int> stops = FocusStops();
  if (stops.empty()) return true;
  const auto at = std::find(stops.begin(), stops.end(), focusLayer_);
  int n = at == stops.end() ? (next ? -1 : 0) : static_cast<int>(at - stops.begin());
  n = (n + (next ? 1 : -1) + static_cast<int>(stops.size())) % static_cast<int>(stops.size());
  SetFocusLayer(stops[static_cast<std::size_t>(n)]);
  return true;
}

void FrmMain::SetFocusLayer(int number) {
  focusLayer_ = number;
  const SceneLayer* focused = imgMain_->Layer(number);
  imgMain_->SetFocusRing(focused ? focused->Location().toAlignedRect() : QRect());
  emit focusLayerChanged(number);
}

void FrmMain::KeepFocusRing() {
  // The ring follows its layer when panels move, and goes when the layer is covered.
  if (focusLayer_ < 0) return;
  const std::vector<int> stops = FocusStops();
  SetFocusLayer(std::find(stops.begin(), stops.end(), focusLayer_) != stops.end() ? focusLayer_ : -1);
}

void FrmMain::PressLayer(int number) {
  if (scene_.DoorsMoving() || pressedLayer_ >= 0) return;
  const int box = scene_.BoxOfLayer(number);
  if (number < layer::kBigBox && box >= 0 && box != views_.SelectedBox) {
    views_.SelectedBox = box;
    scene_.DrawShownPanels();
  }
  const int part = layer::PartOf(number);
  if (part == layer::kLightSwitch) return scene_.ToggleLight(number);
  if (number == layer::kKeyButton) {
    const QRectF at = imgMain_->Layer(number)->Location();
    return OfferKeyCommands(mapToGlobal(QPoint(static_cast<int>(at.left()), static_cast<int>(at.bottom()))));
  }
  if (part == layer::kHandle || number == layer::kBigHandle) scene_.AimDoors(number);
  RunCommand(number);
}

int FrmMain::BoxInSight(int panel) const {
  const int box = views_.TopBox + panel;
  if (box >= views_.BoxCount()) return -1;
  // The name strip lies in the safe's window, and the big doors stand open.
  const double strip = imgMain_->Layer(panel * layer::kPanelLayers)->pos.y() + 9;
  const bool open = imgMain_->Layer(layer::kBigRightDoor)->pos.x() != 263;
  return open && strip >= 59 && strip + 25 <= 411 ? box : -1;
}

void FrmMain::ChooseItem(int box, int row) {
  if (box < 0 || box >= views_.BoxCount()) return;
  BoxView& view = views_.Boxes[static_cast<std::size_t>(box)];
  if (row < 0 || row >= view.ItemCount()) return;
  std::fill(view.Selected.begin(), view.Selected.end(), 0);
  view.Selected[static_cast<std::size_t>(row)] = 1;
  views_.SelectedBox = box;
  itemCursor_ = row;
  imgMain_->BeginUpdate();
  scene_.DrawShownPanels();
  imgMain_->EndUpdate();
}

}  // namespace kestramo
