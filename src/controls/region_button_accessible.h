// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>

namespace kestramo {

class RegionButton;

// What a screen reader learns of a picture button: a push button named by its caption (the
// accessible name) and described by its tooltip, greyed when disabled, with a press action.
class RegionButtonAccessible : public QAccessibleWidget {
 public:
  explicit RegionButtonAccessible(RegionButton* button);

  QAccessible::State state() const override;
  QString text(QAccessible::Text t) const override;
  QStringList actionNames() const override;
  void doAction(const QString& actionName) override;
  QStringList keyBindingsForAction(const QString& actionName) const override;

 private:
  RegionButton* button() const;
};

// Makes the toolkit use the interfaces above (and `more`, when given, for other classes).
void InstallAccessibleFactory(QAccessible::InterfaceFactory more = nullptr);

}  // namespace kestramo
