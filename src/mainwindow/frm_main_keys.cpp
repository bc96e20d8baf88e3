// SPDX-License-Identifier: GPL-3.0-or-later
// What desktop users expect of a list beyond the safe's own buttons: the wheel scrolls a
// box's items or moves between boxes, keys run the common commands, a double click
// extracts and a right click offers the commands of the item under the pointer.
#include <QKeyEvent>
#include <QWheelEvent>
#include <algorithm>
#include <functional>

#include "mainwindow/frm_main.h"
#include "mainwindow/item_menu.h"
#include "mainwindow/panel_painter.h"
#include "mainwindow/scene_layers.h"

namespace kestramo {

namespace {

constexpr int kRowHeight = 60;
constexpr int kWholeRows = 4;  // rows the list shows whole
bool IsEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }
constexpr int kBigSliderTop = 66, kBigSliderTravel = 290;
const QRect kListArea(17, 60, 395, 277);

}  // namespace

int FrmMain::PanelUnder(QPointF at, QPoint* inPanel) const {
  const int number = imgMain_->LayerAt(at);
  if (number < 0 || number >= layer::kBigBox) return -1;
  const int panel = number >= layer::kSecondPanel ? 1 : 0;
  if (views_.TopBox + panel >= views_.BoxCount()) return -1;
  if (inPanel) *inPanel = (at - imgMain_->Layer(panel * layer::kPanelLayers)->pos).toPoint();
  return panel;
}

int FrmMain::ItemRowAt(int box, QPoint inPanel) const {
  if (!kListArea.contains(inPanel)) return -1;
  const BoxView& view = views_.Boxes[static_cast<std::size_t>(box)];
  if (inPanel.y() < view.FirstRowTop) return -1;
  const int row = view.FirstRow + (inPanel.y() - view.FirstRowTop) / kRowHeight;
  return row < view.ItemCount() ? row : -1;
}

void FrmMain::ScrollItems(int box, int rows) {
  BoxView& view = views_.Boxes[static_cast<std::size_t>(box)];
  if (ScrollFor(view.ItemCount(), kSliderTravel).FirstRow == 0) return;  // all of it shows: the slider stays
  const float offset =
      SliderOffsetFor(view.ItemCount(), ScrollFor(view.ItemCount(), view.SliderOffset).FirstRow + rows);
  if (offset == view.SliderOffset) return;
  view.SliderOffset = offset;
  const int base = (box - views_.TopBox) * layer::kPanelLayers;
  imgMain_->BeginUpdate();
  imgMain_->Layer(base + layer::kItemSlider)->pos.setY(imgMain_->Layer(base)->pos.y() + 66 + view.SliderOffset);
  scene_.DrawBoxPanel(box);
  imgMain_->EndUpdate();
}

void FrmMain::ScrollBoxes(int steps) {
  const int last = views_.BoxCount() - 1;
  if (last < 1) return;
  SceneLayer* slider = imgMain_->Layer(layer::kBigSlider);
  const BoxScroll now = BoxScrollFor(views_.BoxCount(), static_cast<float>(slider->pos.y()));
  // Upwards a box scrolled part of the way comes back to its own top first.
  const int from = steps < 0 && now.Offset > 0.5f ? now.TopBox + 1 : now.TopBox;
  const int top = std::clamp(from + steps, 0, last);
  imgMain_->BeginUpdate();
  slider->pos.setY(kBigSliderTop + static_cast<double>(kBigSliderTravel) * top / last);
  const BoxScroll scroll = BoxScrollFor(views_.BoxCount(), static_cast<float>(slider->pos.y()));
  views_.TopBox = scroll.TopBox;
  scene_.PlacePanels(scroll.Offset);
  imgMain_->EndUpdate();
}

void FrmMain::wheelEvent(QWheelEvent* event) {
  event->accept();
  if (pressedLayer_ >= 0 || scene_.DoorsMoving()) return;
  wheelTurn_ += event->angleDelta().y();
  const int notches = wheelTurn_ / QWheelEvent::DefaultDeltasPerStep;
  if (notches == 0) return;
  wheelTurn_ -= notches * QWheelEvent::DefaultDeltasPerStep;
  QPoint inPanel;
  const int panel = PanelUnder(event->position(), &inPanel);
  const int part = layer::PartOf(imgMain_->LayerAt(event->position()));
  const bool overBoxes = panel >= 0 || part == layer::kBigSlider;
  // Over a box's shut doors there is no list to scroll: the wheel moves between boxes.
  const bool overDoors = part == layer::kRightDoor || part == layer::kLeftDoor || part == layer::kHandle;
  if (panel >= 0 && kListArea.contains(inPanel) && !overDoors) {
    ScrollItems(views_.TopBox + panel, -notches);  // turning away from the user goes up the list
  } else if (overBoxes) {
    ScrollBoxes(-notches);
  }
}

void FrmMain::SelectAllItems() {
  BoxView* view = commands_->SelectedView();
  if (!view && views_.TopBox < views_.BoxCount()) {
    views_.SelectedBox = views_.TopBox;
    view = commands_->SelectedView();
  }
  if (!view) return;
  std::fill(view->Selected.begin(), view->Selected.end(), 1);
  imgMain_->BeginUpdate();
  scene_.DrawShownPanels();
  imgMain_->EndUpdate();
}

void FrmMain::MoveItemCursor(int key, bool extend) {
  if (views_.SelectedBox < 0 && views_.TopBox < views_.BoxCount()) views_.SelectedBox = views_.TopBox;
  BoxView* view = commands_->SelectedView();
  if (!view || view->ItemCount() == 0) return;
  const int last = view->ItemCount() - 1;
  const int from = std::clamp(itemCursor_, -1, last);
  int to = from;
  switch (key) {
    case Qt::Key_Up: to = from - 1; break;
    case Qt::Key_Down: to = from + 1; break;
    case Qt::Key_PageUp: to = from - kWholeRows; break;
    case Qt::Key_PageDown: to = from + kWholeRows; break;
    case Qt::Key_Home: to = 0; break;
    case Qt::Key_End: to = last; break;
    default: return;
  }
  to = std::clamp(to, 0, last);
  if (!extend) std::fill(view->Selected.begin(), view->Selected.end(), 0);
  const int anchor = extend && from >= 0 ? from : to;
  for (int n = std::min(anchor, to); n <= std::max(anchor, to); ++n) view->Selected[static_cast<std::size_t>(n)] = 1;
  itemCursor_ = to;
  // The chosen row scrolls into sight.
  const int first = ScrollFor(view->ItemCount(), view->SliderOffset).FirstRow;
  if (to < first) ScrollItems(views_.SelectedBox, to - first);
  if (to >= first + kWholeRows) ScrollItems(views_.SelectedBox, to - first - kWholeRows + 1);
  imgMain_->BeginUpdate();
  scene_.DrawShownPanels();
  imgMain_->EndUpdate();
}

void FrmMain::SwitchBox(int step) {
  if (views_.BoxCount() == 0) return;
  const int now = views_.SelectedBox < 0 ? views_.TopBox : views_.SelectedBox + step;
  views_.SelectedBox = std::clamp(now, 0, views_.BoxCount() - 1);
  itemCursor_ = -1;
  // Into one of the two panels: scrolled by whole boxes.
  if (views_.SelectedBox < views_.TopBox) ScrollBoxes(views_.SelectedBox - views_.TopBox);
  if (views_.SelectedBox > views_.TopBox + 1) ScrollBoxes(views_.SelectedBox - views_.TopBox - 1);
  imgMain_->BeginUpdate();
  scene_.DrawShownPanels();
  imgMain_->EndUpdate();
}

bool FrmMain::Shortcut(int key, Qt::KeyboardModifiers modifiers) {
  const bool ctrl = modifiers & Qt::ControlModifier, shift = modifiers & Qt::ShiftModifier;
  // A panel part of the chosen box (the top one when none is chosen): what its key runs on.
  const auto onBox = [&](int part) {
    if (views_.SelectedBox < 0 && views_.TopBox < views_.BoxCount()) views_.SelectedBox = views_.TopBox;
    const int panel = views_.SelectedBox - views_.TopBox;
    return panel == 1 ? part + layer::kSecondPanel : part;
  };
  struct Key {
    int key;
    bool ctrl, shift;
    std::function<void()> run;
  };
  const Key keys[] = {
      {Qt::Key_F1, false, false, [&] { ShowHelp(); }},
      {Qt::Key_N, true, false, [&] { RunCommand(layer::kNewBox); }},
      {Qt::Key_Delete, true, false, [&] { RunCommand(layer::kDeleteBox); }},
      {Qt::Key_F2, false, false,
       [&] {
         onBox(layer::kPanel);
         commands_->RenamePending = commands_->SelectedView() != nullptr;
         RunCommand(layer::kPanel);
       }},
      {Qt::Key_O, true, false, [&] { RunCommand(onBox(layer::kAddFiles)); }},
      {Qt::Key_O, true, true, [&] { RunCommand(onBox(layer::kAddFolder)); }},
      {Qt::Key_E, true, false, [&] { RunCommand(layer::kExtract); }},
      {Qt::Key_Return, false, false, [&] { RunCommand(layer::kExtract); }},
      {Qt::Key_Enter, false, false, [&] { RunCommand(layer::kExtract); }},
      {Qt::Key_Delete, false, false, [&] { RunCommand(layer::kDeleteItems); }},
      {Qt::Key_M, true, false, [&] { RunCommand(layer::kComment); }},
      {Qt::Key_A, true, false, [&] { SelectAllItems(); }},
      {Qt::Key_F, true, false, [&] { RunCommand(layer::kFind); }},
      {Qt::Key_P, true, false, [&] { RunCommand(layer::kKeyButton); }},
      {Qt::Key_H, true, true,
       [&] {
         if (commands_->AccessGranted(layer::kKeyButton)) commands_->cmdHarden();
       }},
      {Qt::Key_K, true, true,
       [&] {
         if (commands_->AccessGranted(layer::kKeyButton)) commands_->cmdCheckHealth();
       }},
      {Qt::Key_D, true, false, [&] { PressLayer(onBox(layer::kHandle)); }},
      {Qt::Key_D, true, true, [&] { PressLayer(layer::kBigHandle); }},
      {Qt::Key_L, true, false, [&] { PressLayer(onBox(layer::kLightSwitch)); }},
      {Qt::Key_PageUp, true, false, [&] { SwitchBox(-1); }},
      {Qt::Key_PageDown, true, false, [&] { SwitchBox(1); }},
      {Qt::Key_Q, true, false, [&] { close(); }},
  };
  for (const Key& k : keys) {
    if (k.key != key || k.ctrl != ctrl || k.shift != shift) continue;
    k.run();
    return true;
  }
  return false;
}

void FrmMain::keyPressEvent(QKeyEvent* event) {
  if (scene_.DoorsMoving() || pressedLayer_ >= 0) return;
  const int key = event->key();
  const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  // Space, and Enter, press the part of the safe that has the focus ring.
  if (focusLayer_ >= 0 && plain && (key == Qt::Key_Space || IsEnterKey(key))) return PressLayer(focusLayer_);
  if (key == Qt::Key_Escape && focusLayer_ >= 0) return SetFocusLayer(-1);
  if (plain && (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
                key == Qt::Key_Home || key == Qt::Key_End))
    return MoveItemCursor(key, event->modifiers() & Qt::ShiftModifier);
  if (!Shortcut(key, event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) QWidget::keyPressEvent(event);
}

bool FrmMain::ItemUnder(QPointF at) const {
  QPoint inPanel;
  const int panel = PanelUnder(at, &inPanel);
  return panel >= 0 && ItemRowAt(views_.TopBox + panel, inPanel) >= 0;
}

void FrmMain::OfferItemCommands(QPoint globalAt) {
  switch (ItemMenu::Ask(this, globalAt)) {
    case ItemMenu::Choice::Extract: RunCommand(layer::kExtract); break;
    case ItemMenu::Choice::Delete: RunCommand(layer::kDeleteItems); break;
    case ItemMenu::Choice::Comment: RunCommand(layer::kComment); break;
    case ItemMenu::Choice::None: break;
  }
}

void FrmMain::OfferKeyCommands(QPoint globalAt) {
  switch (ItemMenu::AskKey(this, globalAt, vault_.VaultFormat() == api::Format::Hardened)) {
    case ItemMenu::KeyChoice::Password: RunCommand(layer::kKeyButton); break;
    case ItemMenu::KeyChoice::Harden:
      if (commands_->AccessGranted(layer::kKeyButton)) commands_->cmdHarden();
      break;
    case ItemMenu::KeyChoice::CheckHealth:
      if (commands_->AccessGranted(layer::kKeyButton)) commands_->cmdCheckHealth();
      break;
    case ItemMenu::KeyChoice::None: break;
  }
}

}  // namespace kestramo
