// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/safe_scene.h"

#include "controls/picture_ops.h"
#include "mainwindow/door_animation.h"
#include "mainwindow/panel_painter.h"
#include "mainwindow/scene_layers.h"
#include "platform/resource_library.h"

namespace kestramo {

namespace {

// Where the small doors stand: closed, and open (reduced to their inner edges).
constexpr int kLeftDoorLeft = 26, kRightDoorClosedLeft = 237, kRightDoorOpenLeft = 445;
constexpr int kHandleClosedLeft = 240, kHandleOpenLeft = 448;
constexpr int kLeftDoorOpenColumns = 7, kRightDoorOpenColumns = 39;
constexpr int kBigRightDoorClosedLeft = 263;

int HomeTop(int number) {
  for (const SceneLayerDef& d : SceneLayerTable()) {
    if (d.number == number) return d.top;
  }
  return 0;
}

}  // namespace

SafeScene::SafeScene(LayeredImage& image, BoxViews& views, std::function<void()> settled)
    : image_(image), views_(views), settled_(std::move(settled)) {
  doorTimer_.setInterval(10);
  QObject::connect(&doorTimer_, &QTimer::timeout, &doorTimer_, [this] { DoorTick(); });
}

void SafeScene::LoadPictures() {
  smallBoxBack_ = ResourceLibrary::Picture(QStringLiteral("sbox"));
  smallRightDoor_ = ResourceLibrary::Picture(QStringLiteral("rsd"));
  smallLeftDoor_ = ResourceLibrary::Picture(QStringLiteral("lsd"));
  bigRightDoor_ = ResourceLibrary::Picture(QStringLiteral("rbd"));
  bigLeftDoor_ = ResourceLibrary::Picture(QStringLiteral("lbd"));
}

bool SafeScene::PanelLit(int panel) const {
  const int box = views_.TopBox + panel;
  return panel == dropPanel_ || (box < views_.BoxCount() && views_.Boxes[static_cast<std::size_t>(box)].LightOn);
}

void SafeScene::PlacePanel(int panel, float offset) {
  const int base = panel * layer::kPanelLayers;
  const int box = views_.TopBox + panel;
  const bool exists = box < views_.BoxCount();
  const BoxView* view = exists ? &views_.Boxes[static_cast<std::size_t>(box)] : nullptr;
  const bool open = view && view->DoorsOpen;

  ShowLight(panel, PanelLit(panel));
  SceneLayer* left = image_.Layer(base + layer::kLeftDoor);
  SceneLayer* right = image_.Layer(base + layer::kRightDoor);
  SceneLayer* handle = image_.Layer(base + layer::kHandle);
  if (open) {
    const QSize leftSize = LogicalSize(smallLeftDoor_);
    left->picture = LogicalCopy(
        smallLeftDoor_, QRect(leftSize.width() - kLeftDoorOpenColumns, 0, kLeftDoorOpenColumns, leftSize.height()));
    right->picture =
        LogicalCopy(smallRightDoor_, QRect(0, 0, kRightDoorOpenColumns, LogicalSize(smallRightDoor_).height()));
  } else {
    left->picture = smallLeftDoor_;
    right->picture = smallRightDoor_;
  }
  left->pos.setX(kLeftDoorLeft);
  right->pos.setX(open ? kRightDoorOpenLeft : kRightDoorClosedLeft);
  handle->pos.setX(open ? kHandleOpenLeft : kHandleClosedLeft);

  if (exists) {
    DrawBoxPanel(box);
  } else if (panel == 0 && views_.BoxCount() == 0) {
    image_.Layer(base + layer::kPanel)->picture = EmptyPanel(smallBoxBack_);  // a first start says what to do
  } else {
    image_.Layer(base + layer::kPanel)->picture = smallBoxBack_;  // no box: an empty panel out of sight
  }
  for (int n = base; n < base + layer::kPanelLayers; ++n) {
    image_.Layer(n)->pos.setY(static_cast<float>(HomeTop(n)) - offset);
  }
  image_.Layer(base + layer::kItemSlider)->pos.setY(image_.Layer(base)->pos.y() + 66 + (view ? view->SliderOffset : 0));
}

void SafeScene::ShowLight(int panel, bool lit) {
  image_.Layer(panel * layer::kPanelLayers + layer::kLight)->visible = lit;
  image_.Layer(panel * layer::kPanelLayers + layer::kLightSwitch)->visible = !lit;
}

void SafeScene::PlacePanels(float offset) {
  image_.BeginUpdate();
  PlacePanel(0, offset);
  PlacePanel(1, offset);
  ShowClosedSafeHint();
  image_.EndUpdate();
  settled_();
}

void SafeScene::ShowClosedSafeHint() {
  // Only while the big doors stand shut: opening them takes the plate away.
  const bool shut = image_.Layer(layer::kBigLeftDoor)->picture.width() == bigLeftDoor_.width() &&
                    !(doorTimer_.isActive() && doorLayer_ == layer::kBigRightDoor);
  image_.Layer(layer::kClosedSafeHint)->visible = views_.BoxCount() == 0 && shut;
  image_.Changed();
}

void SafeScene::DrawBoxPanel(int box) {
  const int panel = box - views_.TopBox;
  if (panel < 0 || panel > 1 || box >= views_.BoxCount()) return;
  SceneLayer* target = image_.Layer(panel * layer::kPanelLayers + layer::kPanel);
  if (target->picture.isNull() || target->picture.size() != smallBoxBack_.size())
    target->picture = smallBoxBack_.copy();
  kestramo::DrawBoxPanel(target->picture, smallBoxBack_, views_.Boxes[static_cast<std::size_t>(box)], views_,
                         box == views_.SelectedBox, panel == dropPanel_);
  image_.Changed();
}

void SafeScene::SetHandlePicture(int layerNumber, bool up) {
  const bool big = layerNumber == layer::kBigHandle;
  const QString name = QString(big ? "bh" : "sh") + (up ? "up" : "down");
  SceneLayer* handle = image_.Layer(layerNumber);
  if (!handle) return;
  handle->picture = WithAlphaFromMask(ResourceLibrary::Picture(name), ResourceLibrary::Picture(name + "a"));
  image_.Changed();
}

int SafeScene::BoxOfLayer(int number) const {
  const int box = views_.TopBox + (number >= layer::kSecondPanel ? 1 : 0);
  return box < views_.BoxCount() ? box : -1;
}

void SafeScene::DrawShownPanels() {
  DrawBoxPanel(views_.TopBox);
  if (views_.TopBox + 1 < views_.BoxCount()) DrawBoxPanel(views_.TopBox + 1);
}

void SafeScene::DoorTick() {
  const bool big = doorLayer_ == layer::kBigRightDoor;
  image_.BeginUpdate();
  const bool last = DoorStep(image_, doorLayer_, doorOpening_, big ? bigLeftDoor_ : smallLeftDoor_,
                             big ? bigRightDoor_ : smallRightDoor_);
  if (last) doorTimer_.stop();
  if (big) ShowClosedSafeHint();
  image_.EndUpdate();
  if (last) settled_();
}

void SafeScene::AimDoors(int handle) {
  const int box = BoxOfLayer(handle);
  if (handle == layer::kBigHandle) {
    doorLayer_ = layer::kBigRightDoor;
    doorOpening_ = image_.Layer(doorLayer_)->pos.x() == kBigRightDoorClosedLeft;
  } else {
    doorLayer_ = handle - layer::kHandle + layer::kRightDoor;
    doorOpening_ = image_.Layer(doorLayer_)->pos.x() == kRightDoorClosedLeft;  // at home: shut
    if (box >= 0) views_.Boxes[static_cast<std::size_t>(box)].DoorsOpen = doorOpening_;
  }
}

void SafeScene::ToggleLight(int lightSwitch) {
  const int box = BoxOfLayer(lightSwitch);
  if (box < 0) return;
  BoxView& view = views_.Boxes[static_cast<std::size_t>(box)];
  view.LightLatched = !view.LightLatched;
  view.LightOn = view.LightLatched;
  image_.BeginUpdate();
  image_.Layer(lightSwitch)->visible = !view.LightOn;
  image_.Layer(lightSwitch - layer::kLightSwitch + layer::kLight)->visible = view.LightOn;
  image_.EndUpdate();
}

void SafeScene::ShowDropTarget(int panel) {
  if (panel == dropPanel_) return;
  dropPanel_ = panel;
  // The panel under the pointer lights up and frames its name; all goes back as it was after.
  image_.BeginUpdate();
  DrawShownPanels();
  for (int p : {0, 1}) ShowLight(p, PanelLit(p));
  image_.EndUpdate();
}

}  // namespace kestramo
