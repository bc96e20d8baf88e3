// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/safe_accessible.h"

#include <QWindow>

#include "dialogs/frm_note.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/layer_hints.h"
#include "mainwindow/scene_layers.h"

namespace kestramo {

namespace {

// Keys of parts that are no layer: a box's list by its panel, an item by its record's Index.
constexpr long long kBoxList = 1000, kItem = 1'000'000;

// What a layer is called: its tooltip up to the key in brackets.
QString PartName(const FrmMain& safe, int number) {
  QString hint = LayerHint(number);
  const int part = layer::PartOf(number);
  const bool bigShut = const_cast<FrmMain&>(safe).Image().Layer(layer::kBigRightDoor)->pos.x() == 263;
  if (number == layer::kBigHandle) return bigShut ? QStringLiteral("Open the safe") : QStringLiteral("Close the safe");
  if (part == layer::kHandle) {
    const int panel = number - part;
    const bool shut = const_cast<FrmMain&>(safe).Image().Layer(panel + layer::kRightDoor)->pos.x() == 237;
    return shut ? QStringLiteral("Open the box's doors") : QStringLiteral("Close the box's doors");
  }
  if (part == layer::kLightSwitch) return QStringLiteral("Light");
  if (number == layer::kKeyButton) return QStringLiteral("Password, hardening and check");
  const qsizetype cut = hint.indexOf(QStringLiteral(" ("));
  return cut < 0 ? hint : hint.left(cut);
}

// One part of the safe that is not a widget of its own.
class SafePart : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  SafePart(const SafeAccessible* safe, long long key) : safe_(safe), key_(key) {}

  bool isValid() const override { return safe_->Safe() != nullptr; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return safe_->window(); }
  QAccessibleInterface* parent() const override {
    if (key_ >= kItem) return safe_->Part(kBoxList + BoxPanel());
    return const_cast<SafeAccessible*>(safe_);
  }
  QAccessibleInterface* focusChild() const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  int childCount() const override { return static_cast<int>(Items().size()); }
  QAccessibleInterface* child(int index) const override {
    const auto items = Items();
    return index >= 0 && index < static_cast<int>(items.size()) ? safe_->Part(kItem + items[index]) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const auto items = Items();
    for (std::size_t n = 0; n < items.size(); ++n)
      if (safe_->Part(kItem + items[n]) == child) return static_cast<int>(n);
    return -1;
  }
  void setText(QAccessible::Text, const QString&) override {}

  QString text(QAccessible::Text t) const override {
    FrmMain* safe = safe_->Safe();
    if (!safe) return {};
    if (key_ < kBoxList)
      return t == QAccessible::Name          ? PartName(*safe, static_cast<int>(key_))
             : t == QAccessible::Description ? LayerHint(static_cast<int>(key_))
                                             : QString();
    const BoxView* box = Box();
    if (!box) return {};
    if (key_ < kItem) {
      if (t == QAccessible::Name) return QStringLiteral("Box ") + box->Name;
      if (t == QAccessible::Description)
        return box->DoorsOpen ? Counted(box->ItemCount(), QStringLiteral("item"))
                              : QStringLiteral("Its doors are shut");
      return {};
    }
    const ItemView* item = Item();
    if (!item) return {};
    if (t == QAccessible::Name) return item->Name;
    if (t != QAccessible::Description) return {};
    QString about = item->SizeText + QStringLiteral(", ") + item->DateText;
    if (!item->Comment.isEmpty()) about += QStringLiteral(", comment: ") + item->Comment;
    return about;
  }

  QRect rect() const override {
    FrmMain* safe = safe_->Safe();
    if (!safe) return {};
    QRectF r;
    if (key_ < kBoxList) {
      r = safe->Image().Layer(static_cast<int>(key_))->Location();
    } else {
      const QPointF panel = safe->Image().Layer(BoxPanel() * layer::kPanelLayers)->pos;
      r = QRectF(panel + QPointF(17, 60), QSizeF(395, 277));
      if (key_ >= kItem) {
        const BoxView* box = Box();
        const int row = Row();
        r = QRectF(panel + QPointF(17, box->FirstRowTop + (row - box->FirstRow) * 60), QSizeF(395, 60));
      }
    }
    return QRect(safe->mapToGlobal(r.topLeft().toPoint()), r.size().toSize());
  }

  QAccessible::Role role() const override {
    if (key_ >= kItem) return QAccessible::ListItem;
    if (key_ >= kBoxList) return QAccessible::List;
    return layer::PartOf(static_cast<int>(key_)) == layer::kLightSwitch ? QAccessible::CheckBox : QAccessible::Button;
  }

  QAccessible::State state() const override {
    QAccessible::State s;
    FrmMain* safe = safe_->Safe();
    if (!safe) return s;
    if (key_ < kBoxList) {
      s.focusable = true;
      s.focused = safe->FocusLayer() == key_;
      if (role() == QAccessible::CheckBox) {
        s.checkable = true;
        const BoxView* box = Box();
        s.checked = box && box->LightOn;
      }
    } else if (key_ >= kItem) {
      s.selectable = true;
      const BoxView* box = Box();
      s.selected = box && box->Selected[static_cast<std::size_t>(Row())];
    }
    return s;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }
  QStringList actionNames() const override {
    // A button presses; an item is chosen, as a click on it does.
    return key_ < kBoxList || key_ >= kItem ? QStringList{pressAction()} : QStringList();
  }
  void doAction(const QString& name) override {
    FrmMain* safe = safe_->Safe();
    if (!safe || name != pressAction()) return;
    // Run from the event loop: a command may open a modal dialog, and the reader waits for
    // the action's reply meanwhile.
    const int number = static_cast<int>(key_), box = BoxNumber(), row = Row();
    const bool item = key_ >= kItem;
    QMetaObject::invokeMethod(
        safe, [safe, number, box, row, item] { item ? safe->ChooseItem(box, row) : safe->PressLayer(number); },
        Qt::QueuedConnection);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  // The panel (0 or 1) and the box the part belongs to.
  int BoxPanel() const {
    if (key_ < kBoxList) return key_ >= layer::kSecondPanel && key_ < layer::kBigBox ? 1 : 0;
    if (key_ < kItem) return static_cast<int>(key_ - kBoxList);
    FrmMain* safe = safe_->Safe();
    return BoxNumber() - safe->Views().TopBox;
  }
  int BoxNumber() const {
    FrmMain* safe = safe_->Safe();
    if (key_ < kItem) return safe->BoxInSight(BoxPanel());
    const auto index = static_cast<int32_t>(key_ - kItem);
    const auto& boxes = safe->Views().Boxes;
    for (std::size_t b = 0; b < boxes.size(); ++b)
      if (std::find(boxes[b].ItemIndex.begin(), boxes[b].ItemIndex.end(), index) != boxes[b].ItemIndex.end())
        return static_cast<int>(b);
    return -1;
  }
  const BoxView* Box() const {
    FrmMain* safe = safe_->Safe();
    const int b = safe ? BoxNumber() : -1;
    return b >= 0 && b < safe->Views().BoxCount() ? &safe->Views().Boxes[static_cast<std::size_t>(b)] : nullptr;
  }
  int Row() const {
    const BoxView* box = Box();
    const auto index = static_cast<int32_t>(key_ - kItem);
    return box ? static_cast<int>(std::find(box->ItemIndex.begin(), box->ItemIndex.end(), index) -
                                  box->ItemIndex.begin())
               : -1;
  }
  const ItemView* Item() const {
    const BoxView* box = Box();
    const int row = Row();
    if (!box || row < 0 || row >= box->ItemCount()) return nullptr;
    return &safe_->Safe()->Views().Items[static_cast<std::size_t>(box->ItemSlot[static_cast<std::size_t>(row)])];
  }
  // The items of a box list whose doors are open, by Index.
  std::vector<int32_t> Items() const {
    if (key_ < kBoxList || key_ >= kItem) return {};
    const BoxView* box = Box();
    if (!box || !box->DoorsOpen) return {};
    return box->ItemIndex;
  }

  const SafeAccessible* safe_;
  long long key_;
};

}  // namespace

SafeAccessible::SafeAccessible(FrmMain* safe)
    : QAccessibleWidget(safe, QAccessible::Window, QStringLiteral("KESTRAMO")) {}

SafeAccessible::~SafeAccessible() {
  for (auto& [key, part] : parts_) QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(part));
}

FrmMain* SafeAccessible::Safe() const { return qobject_cast<FrmMain*>(object()); }

std::vector<long long> SafeAccessible::PartKeys() const {
  std::vector<long long> keys;
  FrmMain* safe = Safe();
  if (!safe) return keys;
  for (int number : safe->FocusStops()) keys.push_back(number);
  for (int panel : {0, 1})
    if (safe->BoxInSight(panel) >= 0) keys.push_back(kBoxList + panel);
  return keys;
}

QAccessibleInterface* SafeAccessible::Part(long long key) const {
  auto& part = parts_[key];
  if (!part) {
    part = new SafePart(this, key);
    QAccessible::registerAccessibleInterface(part);
  }
  return part;
}

int SafeAccessible::childCount() const { return static_cast<int>(PartKeys().size()); }

QAccessibleInterface* SafeAccessible::child(int index) const {
  const auto keys = PartKeys();
  return index >= 0 && index < static_cast<int>(keys.size()) ? Part(keys[static_cast<std::size_t>(index)]) : nullptr;
}

int SafeAccessible::indexOfChild(const QAccessibleInterface* child) const {
  const auto keys = PartKeys();
  for (std::size_t n = 0; n < keys.size(); ++n)
    if (Part(keys[n]) == child) return static_cast<int>(n);
  return -1;
}

QAccessibleInterface* SafeAccessible::childAt(int x, int y) const {
  for (int n = childCount() - 1; n >= 0; --n)
    if (QAccessibleInterface* part = child(n); part->rect().contains(x, y)) return part;
  return nullptr;
}

QAccessibleInterface* SafeAccessible::focusChild() const {
  FrmMain* safe = Safe();
  return safe && safe->FocusLayer() >= 0 ? Part(safe->FocusLayer()) : nullptr;
}

QString SafeAccessible::text(QAccessible::Text t) const {
  if (t == QAccessible::Name) return QStringLiteral("KESTRAMO");
  if (t == QAccessible::Description) return QStringLiteral("The safe of the vault: its boxes and their items");
  return QAccessibleWidget::text(t);
}

QAccessibleInterface* SafeAccessibleFactory(const QString&, QObject* object) {
  if (auto* safe = qobject_cast<FrmMain*>(object)) return new SafeAccessible(safe);
  return nullptr;
}

}  // namespace kestramo
