// SPDX-License-Identifier: GPL-3.0-or-later
// The safe explains itself: tooltips on its controls and items, and a lit face on the
// button under the pointer.
#include <QHelpEvent>
#include <QToolTip>

#include "controls/picture_ops.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/layer_hints.h"
#include "mainwindow/scene_layers.h"

namespace kestramo {

namespace {

constexpr int kHoverLight = 45;

}  // namespace

void FrmMain::HoverOver(int number) {
  if (!IsButtonLayer(number)) number = -1;
  if (number == hoverLayer_) return;
  imgMain_->BeginUpdate();
  if (SceneLayer* was = imgMain_->Layer(hoverLayer_)) was->picture = hoverIdleFace_;
  hoverLayer_ = number;
  if (SceneLayer* now = imgMain_->Layer(number)) {
    hoverIdleFace_ = now->picture;
    LightenPicture(now->picture, kHoverLight);
  }
  imgMain_->Changed();
  imgMain_->EndUpdate();
}

void FrmMain::leaveEvent(QEvent* event) {
  HoverOver(-1);
  QWidget::leaveEvent(event);
}

QString FrmMain::HintAt(QPointF at) const {
  QPoint inPanel;
  const int panel = PanelUnder(at, &inPanel);
  const int number = imgMain_->LayerAt(at);
  if (panel >= 0 && (number == layer::kPanel || number == layer::kSecondPanel)) {
    const int box = views_.TopBox + panel;
    const int row = ItemRowAt(box, inPanel);
    if (row < 0) return {};
    const BoxView& view = views_.Boxes[static_cast<std::size_t>(box)];
    const ItemView& item = views_.Items[static_cast<std::size_t>(view.ItemSlot[static_cast<std::size_t>(row)])];
    return item.Comment.isEmpty() ? item.Name : item.Name + QStringLiteral("\n\n") + item.Comment;
  }
  return LayerHint(number);
}

bool FrmMain::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  auto* help = static_cast<QHelpEvent*>(event);
  const QString hint = HintAt(help->pos());
  if (hint.isEmpty()) {
    QToolTip::hideText();
    event->ignore();
  } else {
    QToolTip::showText(help->globalPos(), hint, this);
  }
  return true;
}

}  // namespace kestramo
