// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/region_button_accessible.h"

#include <utility>

#include "controls/region_button.h"

namespace kestramo {

RegionButtonAccessible::RegionButtonAccessible(RegionButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

RegionButton* RegionButtonAccessible::button() const { return static_cast<RegionButton*>(widget()); }

QAccessible::State RegionButtonAccessible::state() const {
  QAccessible::State s = QAccessibleWidget::state();
  s.disabled = s.disabled || button()->Disabled();
  s.focusable = !s.disabled;
  return s;
}

QString RegionButtonAccessible::text(QAccessible::Text t) const {
  if (t == QAccessible::Description && button()->accessibleDescription().isEmpty()) return button()->toolTip();
  return QAccessibleWidget::text(t);
}

QStringList RegionButtonAccessible::actionNames() const {
  return button()->Disabled() ? QStringList() : QStringList{pressAction()};
}

void RegionButtonAccessible::doAction(const QString& actionName) {
  // From the event loop: the press may open a modal dialog, and the reader waits for the reply.
  if (actionName == pressAction()) QMetaObject::invokeMethod(button(), &RegionButton::Press, Qt::QueuedConnection);
}

QStringList RegionButtonAccessible::keyBindingsForAction(const QString& actionName) const {
  return actionName == pressAction() ? QStringList{QStringLiteral("Space")} : QStringList();
}

namespace {

QAccessible::InterfaceFactory extra = nullptr;

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  if (auto* button = qobject_cast<RegionButton*>(object)) return new RegionButtonAccessible(button);
  return extra ? extra(className, object) : nullptr;
}

}  // namespace

void InstallAccessibleFactory(QAccessible::InterfaceFactory more) {
  static bool installed = false;
  if (more) extra = more;
  if (std::exchange(installed, true)) return;
  QAccessible::installFactory(Factory);
}

}  // namespace kestramo
