// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's pointer and keyboard: selection, sliders, light switches, pressed
// buttons, handles, window dragging and the door animation.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>
#include <algorithm>
#include <utility>

#include "mainwindow/door_animation.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/layer_hints.h"
#include "mainwindow/panel_painter.h"
#include "mainwindow/scene_layers.h"
#include "platform/resource_library.h"

namespace kestramo {

namespace {

constexpr int kBigSliderTop = 66, kBigSliderBottom = 356;
constexpr int kItemSliderTop = 66, kItemSliderBottom = 288;
const QRect kListArea(17, 60, 395, 277);  // (17,60)-(412,337), right and bottom excluded
const QRect kLatchBar(258, 59, 14, 353);  // the brass bar where the big doors meet

bool IsItemSlider(int n) { return layer::PartOf(n) == layer::kItemSlider; }
bool IsSmallHandle(int n) { return layer::PartOf(n) == layer::kHandle; }
bool IsSliderOrHandle(int n) {
  return IsItemSlider(n) || IsSmallHandle(n) || n == layer::kBigSlider || n == layer::kBigHandle;
}
bool IsPanelPart(int n) { return n >= 0 && n < layer::kBigBox; }

}  // namespace

void FrmMain::ToggleItemAt(int box, QPoint point, bool ctrl) {
  if (!kListArea.contains(point)) return;
  BoxView& view = views_.Boxes[static_cast<std::size_t>(box)];
  if (!ctrl) std::fill(view.Selected.begin(), view.Selected.end(), 0);
  for (int32_t n = view.FirstRow; n < view.ItemCount(); ++n) {
    const int r = view.FirstRowTop + (n - view.FirstRow) * 60;
    if (r > 337) break;
    if (QRect(17, r, 395, 60).contains(point)) view.Selected[static_cast<std::size_t>(n)] ^= 1;
  }
}

void FrmMain::mousePressEvent(QMouseEvent* event) {
  if (pressedLayer_ >= 0) return;  // another button is already down: the pressed layer keeps the pointer
  // A click aimed at the status dialog's Cancel, delivered here once the work had ended.
  // It lands on the note instead, as it would had the note been there first: it closes it.
  if (commands_->NoteCovers(event->globalPosition())) return commands_->CloseNote();
  const int number = HandleOfShutDoor(imgMain_->LayerAt(event->position()), event->position());
  if (number < 0 || scene_.DoorsMoving()) return;
  pressedLayer_ = number;
  LastDownPoint = event->position();
  SceneLayer* hit = imgMain_->Layer(number);
  const bool left = event->button() == Qt::LeftButton;
  imgMain_->BeginUpdate();
  if (IsSliderOrHandle(number)) setCursor(CursorSlots::Get(3));
  const int box = scene_.BoxOfLayer(number);
  if (number == layer::kPanel || number == layer::kSecondPanel) {
    if (box >= 0) {
      const QPointF p = event->position() - hit->pos;
      const QPoint at(static_cast<int>(p.x()), static_cast<int>(p.y()));
      // A right click on a chosen item keeps the choice: its menu acts on all of them.
      const int row = ItemRowAt(box, at);
      const bool keep = event->button() == Qt::RightButton && row >= 0 &&
                        views_.Boxes[static_cast<std::size_t>(box)].Selected[static_cast<std::size_t>(row)];
      if (!keep) ToggleItemAt(box, at, event->modifiers() & Qt::ControlModifier);
      scene_.DrawShownPanels();
    }
  } else if (IsItemSlider(number) || number == layer::kBigSlider) {
    if (left) SliderGrabY = static_cast<int>(event->position().y());
  } else if (layer::PartOf(number) == layer::kLightSwitch) {
    if (box >= 0) {
      BoxView& view = views_.Boxes[static_cast<std::size_t>(box)];
      view.LightLatched = !view.LightLatched;
      if (hit->visible) {
        hit->visible = false;
        imgMain_->Layer(number - layer::kLightSwitch + layer::kLight)->visible = true;
        view.LightOn = true;
      }
    }
  } else if (IsButtonLayer(number)) {
    hit->visible = false;  // the picture beneath shows the pressed look
  } else if (IsSmallHandle(number) || number == layer::kBigHandle) {
    scene_.SetHandlePicture(number, true);
  } else if (number == layer::kBigBox && left) {
    WindowDragAnchor = event->globalPosition().toPoint();
    // The window system's own move works on every platform, Wayland included; where none is
    // offered, the window follows the pointer itself.
    if (windowHandle() && windowHandle()->startSystemMove()) pressedLayer_ = -1;
  }
  imgMain_->EndUpdate();
}

int FrmMain::HandleOfShutDoor(int number, QPointF at) const {
  // A shut door opens as its handle does, wherever it is clicked; the latch bar between the big
  // doors belongs to them too, so the window is dragged only by its frame.
  const auto shut = [this](int rightDoor, double home) { return imgMain_->Layer(rightDoor)->pos.x() == home; };
  const int part = layer::PartOf(number);
  if ((part == layer::kRightDoor || part == layer::kLeftDoor) && scene_.BoxOfLayer(number) >= 0) {
    const int panel = number - part;
    if (shut(panel + layer::kRightDoor, 237)) return panel + layer::kHandle;
  }
  const bool latch = number == layer::kBigBox && kLatchBar.contains(at.toPoint());
  if ((number == layer::kBigRightDoor || number == layer::kBigLeftDoor || latch) && shut(layer::kBigRightDoor, 263))
    return layer::kBigHandle;
  return number;
}

void FrmMain::mouseDoubleClickEvent(QMouseEvent* event) {
  // The first click's point decides: a double click on a box's name strip asks for a rename.
  for (int panel : {layer::kPanel, layer::kSecondPanel}) {
    const QPointF at = imgMain_->Layer(panel)->pos;
    if (QRect(static_cast<int>(at.x()) + 70, static_cast<int>(at.y()) + 9, 333, 25).contains(LastDownPoint.toPoint())) {
      commands_->RenamePending = true;
    }
  }
  extractPending_ = event->button() == Qt::LeftButton && !commands_->RenamePending && ItemUnder(event->position());
  mousePressEvent(event);
}

void FrmMain::MoveItemSlider(int sliderLayer, int y) {
  if (y == SliderGrabY) return;
  const int box = scene_.BoxOfLayer(sliderLayer);
  if (box < 0) return;
  imgMain_->BeginUpdate();
  SceneLayer* slider = imgMain_->Layer(sliderLayer);
  const double panelTop = imgMain_->Layer(sliderLayer - 1)->pos.y();
  const double top =
      std::clamp(slider->pos.y() + (y - SliderGrabY), panelTop + kItemSliderTop, panelTop + kItemSliderBottom);
  slider->pos.setY(top);
  SliderGrabY = y;
  views_.Boxes[static_cast<std::size_t>(box)].SliderOffset = static_cast<float>(top - (panelTop + kItemSliderTop));
  scene_.DrawBoxPanel(box);
  imgMain_->EndUpdate();
}

void FrmMain::MoveBigSlider(int y) {
  if (y == SliderGrabY) return;
  imgMain_->BeginUpdate();
  SceneLayer* slider = imgMain_->Layer(layer::kBigSlider);
  const double top = std::clamp(slider->pos.y() + (y - SliderGrabY), double(kBigSliderTop), double(kBigSliderBottom));
  slider->pos.setY(top);
  SliderGrabY = y;
  const BoxScroll scroll = BoxScrollFor(std::max(views_.BoxCount(), 1), static_cast<float>(top));
  views_.TopBox = scroll.TopBox;
  if (views_.BoxCount() > 0) scene_.PlacePanels(scroll.Offset);
  imgMain_->EndUpdate();
}

void FrmMain::mouseMoveEvent(QMouseEvent* event) {
  if (pressedLayer_ < 0) {
    // Hovering: the pointer takes the shape of the layer under it.
    const int number = imgMain_->LayerAt(event->position());
    if (!scene_.DoorsMoving()) setCursor(CursorSlots::Get(number >= 0 ? imgMain_->Layer(number)->cursor : 0));
    HoverOver(number);
    return;
  }
  if (scene_.DoorsMoving() || !(event->buttons() & Qt::LeftButton)) return;
  const int y = static_cast<int>(event->position().y());
  if (IsItemSlider(pressedLayer_)) {
    MoveItemSlider(pressedLayer_, y);
  } else if (pressedLayer_ == layer::kBigSlider) {
    MoveBigSlider(y);
  } else if (pressedLayer_ == layer::kBigBox) {
    const QPoint p = event->globalPosition().toPoint();
    if (p == WindowDragAnchor) return;
    move(pos() + (p - WindowDragAnchor));
    WindowDragAnchor = p;
  }
}

void FrmMain::mouseReleaseEvent(QMouseEvent* event) {
  if (event->buttons() != Qt::NoButton) return;  // the pressed layer waits for every button
  const int number = pressedLayer_;
  pressedLayer_ = -1;
  if (number < 0 || scene_.DoorsMoving()) return;
  SceneLayer* hit = imgMain_->Layer(number);
  const int box = scene_.BoxOfLayer(number);
  imgMain_->BeginUpdate();
  if (IsSliderOrHandle(number)) setCursor(CursorSlots::Get(2));
  if (layer::PartOf(number) == layer::kLightSwitch) {
    if (box >= 0) {
      BoxView& view = views_.Boxes[static_cast<std::size_t>(box)];
      if (!view.LightLatched && !hit->visible) {
        hit->visible = true;
        imgMain_->Layer(number - layer::kLightSwitch + layer::kLight)->visible = false;
        view.LightOn = false;
      }
    }
  } else if (IsButtonLayer(number)) {
    hit->visible = true;
  } else if (IsSmallHandle(number) || number == layer::kBigHandle) {
    scene_.SetHandlePicture(number, false);
    scene_.AimDoors(number);
  }
  if (IsPanelPart(number) && box >= 0 && box != views_.SelectedBox) {
    views_.SelectedBox = box;
    scene_.DrawShownPanels();  // the names change colour
  }
  imgMain_->EndUpdate();
  if (number == layer::kKeyButton) {  // its menu holds the password, hardening and the check
    OfferKeyCommands(event->globalPosition().toPoint());
    return;
  }
  RunCommand(number);
  const bool onItem = (number == layer::kPanel || number == layer::kSecondPanel) && ItemUnder(LastDownPoint);
  if (std::exchange(extractPending_, false) && onItem) {
    RunCommand(8);
  } else if (event->button() == Qt::RightButton && onItem) {
    OfferItemCommands(event->globalPosition().toPoint());
  }
}

}  // namespace kestramo
