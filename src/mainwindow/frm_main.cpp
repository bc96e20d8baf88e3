// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frm_main.h"

#include "controls/region_button_accessible.h"
#include "mainwindow/safe_accessible.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include "controls/picture_ops.h"
#include "dialogs/frm_message.h"
#include "mainwindow/panel_painter.h"
#include "mainwindow/scene_layers.h"
#include "platform/resource_library.h"
#include "platform/window_shape.h"

namespace kestramo {

namespace {

constexpr int kWidth = 560, kHeight = 420;

}  // namespace

QPolygon WindowOutline(int w, int h) {
  return QPolygon({QPoint(0, 0), QPoint(0, h - 4), QPoint(4, h), QPoint(w, h), QPoint(w, 4), QPoint(w - 4, 0)});
}

FrmMain::FrmMain(const std::filesystem::path& base, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint),
      imgMain_(new LayeredImage(this)),
      scene_(*imgMain_, views_, [this] { KeepFocusRing(); }),
      startUp_(vault_, base) {
  setFixedSize(kWidth, kHeight);
  imgMain_->setGeometry(0, 0, kWidth, kHeight);
  imgMain_->setAttribute(Qt::WA_TransparentForMouseEvents);  // the window itself handles the pointer
  setMouseTracking(true);
  setAcceptDrops(true);
  setWindowTitle(QStringLiteral("KESTRAMO"));
  InstallAccessibleFactory(SafeAccessibleFactory);
  FormCreate();
  dialogs_ = std::make_unique<MainDialogs>(this, vault_, shell_, [this] { RefreshView(-1); });
  commands_ = std::make_unique<MainCommands>(*this, scene_, vault_, views_, *dialogs_, shell_);
  BuildViews();
  scene_.PlacePanels(0);
}

void FrmMain::RunCommand(int command) { commands_->RunCommand(command); }

void FrmMain::RefreshView(int command) { commands_->RefreshView(command); }

void FrmMain::ShowHelp() { commands_->ShowHelp(); }

FrmMain::~FrmMain() {
  // Nothing is written at exit: the index was saved after every change.
  views_.FreeViews();
  ResourceLibrary::Unload();
}

void FrmMain::FormCreate() {
  ResourceLibrary::Load();
  CursorSlots::Install();
  ResourceLibrary::Prefetch(ScenePictureNames());
  CreateSceneLayers(*imgMain_);
  SceneLayer plate;
  plate.number = layer::kClosedSafeHint;
  plate.picture = ClosedSafePlate();
  plate.pos = QPointF(28, 140);  // within the left door's sunken panel, between its latch bars
  plate.mouseEvents = false;
  plate.mode = DrawMode::Blend;
  plate.visible = false;
  imgMain_->AddLayer(plate);
  ShapeWindow(*this, QRegion(WindowOutline(kWidth, kHeight), Qt::WindingFill));
  imgMain_->SetOutline(WindowOutline(kWidth, kHeight));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - QPoint(kWidth / 2, kHeight / 2));
  }

  startUp_.Open(this);
  scene_.LoadPictures();
}

void FrmMain::BuildViews() {
  std::vector<std::string> boxes;
  std::vector<api::ItemInfo> items;
  (void)vault_.Boxes(&boxes);  // none when no vault is open
  (void)vault_.Items({}, &items);
  views_.BuildViews(boxes, items);
}

void FrmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!reported_) {
    reported_ = true;
    QTimer::singleShot(0, this, &FrmMain::ReportIndexTrouble);
  }
}

void FrmMain::ReportIndexTrouble() {
  const QString text = startUp_.Trouble();
  if (!text.isEmpty()) ShowMessageDialog(text, this);
  if (!vault_.HoldsLock()) {
    close();
    QCoreApplication::exit(1);  // no vault could be used: the run failed
  }
}

void FrmMain::BringForward() {
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
  // A dialog open on the window stays in front of it.
  if (QWidget* modal = QApplication::activeModalWidget()) modal->raise();
}

}  // namespace kestramo
