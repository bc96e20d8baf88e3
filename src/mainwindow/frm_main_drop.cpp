// SPDX-License-Identifier: GPL-3.0-or-later
// Files and folders dropped from a file manager onto a box panel: each becomes an item of
// that box, as the add commands make them.
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "mainwindow/frm_main.h"
#include "mainwindow/scene_layers.h"

namespace kestramo {

namespace {

// The local paths of the drag, in order; empty when anything in it is not a local file.
QStringList DroppedPaths(const QMimeData* data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile() || url.toLocalFile().isEmpty()) return {};
    paths << url.toLocalFile();
  }
  return paths;
}

}  // namespace

int FrmMain::DropTargetPanel(const QPointF& at) const {
  const int number = imgMain_->LayerAt(at);
  if (number < 0 || number >= layer::kBigBox) return -1;  // the doors, the body, the row of buttons
  const int box = scene_.BoxOfLayer(number);
  return box < 0 ? -1 : box - views_.TopBox;
}

void FrmMain::dragEnterEvent(QDragEnterEvent* event) {
  // Read once: the file manager's data crosses to us on each request.
  dragOfFiles_ = !DroppedPaths(event->mimeData()).isEmpty();
  if (!dragOfFiles_) return event->ignore();
  dragMoveEvent(event);
  // Taken wherever it enters, the body included, so that its moves keep coming to a box;
  // where none is, nothing lands and the pointer says so.
  if (!event->isAccepted()) {
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
  }
}

void FrmMain::dragMoveEvent(QDragMoveEvent* event) {
  const int panel = dragOfFiles_ ? DropTargetPanel(event->position()) : -1;
  scene_.ShowDropTarget(panel);
  if (panel < 0) {
    event->ignore();  // the pointer shows that nothing can be dropped here
    return;
  }
  event->setDropAction(Qt::CopyAction);  // the source stays where it is
  event->accept();
}

void FrmMain::dragLeaveEvent(QDragLeaveEvent*) { scene_.ShowDropTarget(-1); }

void FrmMain::dropEvent(QDropEvent* event) {
  const int panel = DropTargetPanel(event->position());
  const QStringList paths = DroppedPaths(event->mimeData());
  scene_.ShowDropTarget(-1);
  if (panel < 0 || paths.isEmpty()) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
  // The file manager waits for the drop to be answered: the work starts once it has been.
  const std::string box = views_.Boxes[static_cast<std::size_t>(views_.TopBox + panel)].Key;
  QTimer::singleShot(0, this, [this, box, paths] { commands_->AddDropped(box, paths); });
}

}  // namespace kestramo
