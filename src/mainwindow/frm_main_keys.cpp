// What desktop users expect of a list beyond the safe's own buttons: the wheel scrolls a
// box's items or moves between boxes, keys run the common commands, a double click
// extracts and a right click offers the commands of the item under the pointer.
#include <QKeyEvent>
#include <QWheelEvent>
#include <algorithm>

#include "mainwindow/frm_main.h"
#include "mainwindow/item_menu.h"
#include "mainwindow/panel_painter.h"
#include "mainwindow/scene_layers.h"

namespace kestramo {

namespace {

constexpr int kRowHeight = 60;
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
  DrawBoxPanel(box);
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
  PlacePanels(scroll.Offset);
  imgMain_->EndUpdate();
}

void FrmMain::wheelEvent(QWheelEvent* event) {
  event->accept();
  if (pressedLayer_ >= 0 || TimerDoor.isActive()) return;
  wheelTurn_ += event->angleDelta().y();
  const int notches = wheelTurn_ / QWheelEvent::DefaultDeltasPerStep;
  if (notches == 0) return;
  wheelTurn_ -= notches * QWheelEvent::DefaultDeltasPerStep;
  QPoint inPanel;
  const int panel = PanelUnder(event->position(), &inPanel);
  const bool overBoxes = panel >= 0 || imgMain_->LayerAt(event->position()) == layer::kBigSlider;
  if (panel >= 0 && kListArea.contains(inPanel)) {
    ScrollItems(views_.TopBox + panel, -notches);  // turning away from the user goes up the list
  } else if (overBoxes) {
    ScrollBoxes(-notches);
  }
}

void FrmMain::SelectAllItems() {
  BoxView* view = SelectedView();
  if (!view && views_.TopBox < views_.BoxCount()) {
    views_.SelectedBox = views_.TopBox;
    view = SelectedView();
  }
  if (!view) return;
  std::fill(view->Selected.begin(), view->Selected.end(), 1);
  imgMain_->BeginUpdate();
  DrawShownPanels();
  imgMain_->EndUpdate();
}

void FrmMain::keyPressEvent(QKeyEvent* event) {
  if (TimerDoor.isActive() || pressedLayer_ >= 0) return;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  switch (event->key()) {
    case Qt::Key_F1: ShowHelp(); break;
    case Qt::Key_Delete: RunCommand(layer::kDeleteItems); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: RunCommand(layer::kExtract); break;
    case Qt::Key_A:
      if (ctrl) SelectAllItems();
      break;
    case Qt::Key_F:
      if (ctrl) RunCommand(layer::kFind);
      break;
    default: QWidget::keyPressEvent(event); break;
  }
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
      if (AccessGranted(layer::kKeyButton)) cmdHarden();
      break;
    case ItemMenu::KeyChoice::CheckHealth:
      if (AccessGranted(layer::kKeyButton)) cmdCheckHealth();
      break;
    case ItemMenu::KeyChoice::None: break;
  }
}

}  // namespace kestramo
