// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frm_main.h"

#include "controls/region_button_accessible.h"
#include "mainwindow/safe_accessible.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include "controls/picture_ops.h"
#include "dialogs/frm_login.h"
#include "dialogs/frm_message.h"
#include "mainwindow/panel_painter.h"
#include "mainwindow/scene_layers.h"
#include "platform/resource_library.h"
#include "platform/window_shape.h"

namespace kestramo {

namespace {

constexpr int kWidth = 560, kHeight = 420;
// Where the small doors stand: closed, and open (reduced to their inner edges).
constexpr int kLeftDoorLeft = 26, kRightDoorClosedLeft = 237, kRightDoorOpenLeft = 445;
constexpr int kHandleClosedLeft = 240, kHandleOpenLeft = 448;
constexpr int kLeftDoorOpenColumns = 7, kRightDoorOpenColumns = 39;

int HomeTop(int number) {
  for (const SceneLayerDef& d : SceneLayerTable()) {
    if (d.number == number) return d.top;
  }
  return 0;
}

}  // namespace

QPolygon WindowOutline(int w, int h) {
  return QPolygon({QPoint(0, 0), QPoint(0, h - 4), QPoint(4, h), QPoint(w, h), QPoint(w, 4), QPoint(w - 4, 0)});
}

FrmMain::FrmMain(const std::filesystem::path& base, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint), imgMain_(new LayeredImage(this)) {
  openOptions_.base = base;
  openOptions_.create = true;  // the program's own folder: a first start makes the vault
  openOptions_.witness = api::DefaultWitnessFile();
  openOptions_.recordRollbacks = true;
  setFixedSize(kWidth, kHeight);
  imgMain_->setGeometry(0, 0, kWidth, kHeight);
  imgMain_->setAttribute(Qt::WA_TransparentForMouseEvents);  // the window itself handles the pointer
  setMouseTracking(true);
  setAcceptDrops(true);
  setWindowTitle(QStringLiteral("KESTRAMO"));
  InstallAccessibleFactory(SafeAccessibleFactory);
  TimerDoor.setInterval(10);
  connect(&TimerDoor, &QTimer::timeout, this, &FrmMain::TimerDoorTimer);
  FormCreate();
  dialogs_ = std::make_unique<MainDialogs>(this, vault_, shell_, [this] { RefreshView(-1); });
}

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

  openStatus_ = vault_.Open(openOptions_, &loadReport_);
  if (vault_.HoldsLock()) {
    if (openStatus_.code == api::Code::Locked) AskPassphrase();
    if (!Declined) SettleRefusedIndex();
  }
  LoggedIn = false;
  RenamePending = false;

  SmallBoxBack = ResourceLibrary::Picture(QStringLiteral("sbox"));
  SmallRightDoor = ResourceLibrary::Picture(QStringLiteral("rsd"));
  SmallLeftDoor = ResourceLibrary::Picture(QStringLiteral("lsd"));
  BigRightDoor = ResourceLibrary::Picture(QStringLiteral("rbd"));
  BigLeftDoor = ResourceLibrary::Picture(QStringLiteral("lbd"));

  BuildViews();
  PlacePanels(0);
}

void FrmMain::AskPassphrase() {
  // A hardened index cannot be read without its passphrase: asked before anything shows.
  FrmLogin login(this);
  login.SetPassphraseCheck(
      [this](const std::string& typed) {
        openOptions_.passphrase = typed;
        openStatus_ = vault_.Open(openOptions_, &loadReport_);
        return openStatus_.code != api::Code::Locked;
      },
      static_cast<int>(api::kMaxPassphraseChars));
  Declined = login.exec() != kResultOk;
}

void FrmMain::BuildViews() {
  std::vector<std::string> boxes;
  std::vector<api::ItemInfo> items;
  (void)vault_.Boxes(&boxes);  // none when no vault is open
  (void)vault_.Items({}, &items);
  views_.BuildViews(boxes, items);
}

bool FrmMain::PanelLit(int panel) const {
  const int box = views_.TopBox + panel;
  return panel == dropPanel_ || (box < views_.BoxCount() && views_.Boxes[static_cast<std::size_t>(box)].LightOn);
}

void FrmMain::PlacePanel(int panel, float offset) {
  const int base = panel * layer::kPanelLayers;
  const int box = views_.TopBox + panel;
  const bool exists = box < views_.BoxCount();
  const BoxView* view = exists ? &views_.Boxes[static_cast<std::size_t>(box)] : nullptr;
  const bool open = view && view->DoorsOpen;

  ShowLight(panel, PanelLit(panel));
  SceneLayer* left = imgMain_->Layer(base + layer::kLeftDoor);
  SceneLayer* right = imgMain_->Layer(base + layer::kRightDoor);
  SceneLayer* handle = imgMain_->Layer(base + layer::kHandle);
  if (open) {
    const QSize leftSize = LogicalSize(SmallLeftDoor);
    left->picture = LogicalCopy(
        SmallLeftDoor, QRect(leftSize.width() - kLeftDoorOpenColumns, 0, kLeftDoorOpenColumns, leftSize.height()));
    right->picture =
        LogicalCopy(SmallRightDoor, QRect(0, 0, kRightDoorOpenColumns, LogicalSize(SmallRightDoor).height()));
  } else {
    left->picture = SmallLeftDoor;
    right->picture = SmallRightDoor;
  }
  left->pos.setX(kLeftDoorLeft);
  right->pos.setX(open ? kRightDoorOpenLeft : kRightDoorClosedLeft);
  handle->pos.setX(open ? kHandleOpenLeft : kHandleClosedLeft);

  if (exists) {
    DrawBoxPanel(box);
  } else if (panel == 0 && views_.BoxCount() == 0) {
    imgMain_->Layer(base + layer::kPanel)->picture = EmptyPanel(SmallBoxBack);  // a first start says what to do
  } else {
    imgMain_->Layer(base + layer::kPanel)->picture = SmallBoxBack;  // no box: an empty panel out of sight
  }
  for (int n = base; n < base + layer::kPanelLayers; ++n) {
    imgMain_->Layer(n)->pos.setY(static_cast<float>(HomeTop(n)) - offset);
  }
  imgMain_->Layer(base + layer::kItemSlider)
      ->pos.setY(imgMain_->Layer(base)->pos.y() + 66 + (view ? view->SliderOffset : 0));
}

void FrmMain::ShowLight(int panel, bool lit) {
  imgMain_->Layer(panel * layer::kPanelLayers + layer::kLight)->visible = lit;
  imgMain_->Layer(panel * layer::kPanelLayers + layer::kLightSwitch)->visible = !lit;
}

void FrmMain::PlacePanels(float offset) {
  imgMain_->BeginUpdate();
  PlacePanel(0, offset);
  PlacePanel(1, offset);
  ShowClosedSafeHint();
  imgMain_->EndUpdate();
  KeepFocusRing();
}

void FrmMain::ShowClosedSafeHint() {
  // Only while the big doors stand shut: opening them takes the plate away.
  const bool shut = imgMain_->Layer(layer::kBigLeftDoor)->picture.width() == BigLeftDoor.width() &&
                    !(TimerDoor.isActive() && DoorLayer == layer::kBigRightDoor);
  imgMain_->Layer(layer::kClosedSafeHint)->visible = views_.BoxCount() == 0 && shut;
  imgMain_->Changed();
}

void FrmMain::DrawBoxPanel(int box) {
  const int panel = box - views_.TopBox;
  if (panel < 0 || panel > 1 || box >= views_.BoxCount()) return;
  SceneLayer* target = imgMain_->Layer(panel * layer::kPanelLayers + layer::kPanel);
  if (target->picture.isNull() || target->picture.size() != SmallBoxBack.size()) target->picture = SmallBoxBack.copy();
  kestramo::DrawBoxPanel(target->picture, SmallBoxBack, views_.Boxes[static_cast<std::size_t>(box)], views_,
                         box == views_.SelectedBox, panel == dropPanel_);
  imgMain_->Changed();
}

void FrmMain::SetHandlePicture(int layerNumber, bool up) {
  const bool big = layerNumber == layer::kBigHandle;
  const QString name = QString(big ? "bh" : "sh") + (up ? "up" : "down");
  SceneLayer* handle = imgMain_->Layer(layerNumber);
  if (!handle) return;
  handle->picture = WithAlphaFromMask(ResourceLibrary::Picture(name), ResourceLibrary::Picture(name + "a"));
  imgMain_->Changed();
}

void FrmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!reported_) {
    reported_ = true;
    QTimer::singleShot(0, this, &FrmMain::ReportIndexTrouble);
  }
}

void FrmMain::ReportIndexTrouble() {
  QString text;
  if (openStatus_.code == api::Code::Busy) {
    text = QStringLiteral("The vault is in use by another KESTRAMO program. Close it and start again.");
  } else if (openStatus_.code == api::Code::Refused && !vault_.HoldsLock()) {
    // A link or another thing where the vault's folders belong, or a vanished hardened vault.
    text = QStringLiteral("The vault was not opened: %1.").arg(QString::fromStdString(openStatus_.message));
  } else if (!vault_.HoldsLock()) {
    text = QStringLiteral(
               "The vault beside the program cannot be opened for writing (%1). "
               "Install KESTRAMO in a folder that belongs to you.")
               .arg(QString::fromStdString(openStatus_.message));
  } else if (loadReport_.outcome == api::OpenReport::Outcome::Restored || !loadReport_.missingItems.empty()) {
    // An unreadable index was asked about already; a restored one, or items without their
    // files, are told before anything is used.
    text = QString::fromStdString(loadReport_.notice);
  }
  if (!text.isEmpty()) ShowMessageDialog(text, this);
  if (!vault_.HoldsLock()) {
    close();
    QCoreApplication::exit(1);  // no vault could be used: the run failed
  }
}

}  // namespace kestramo
