// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/item_menu.h"

#include <QMenu>

namespace kestramo::ItemMenu {

namespace {

// Dark steel with brass edges and the panel's light text, as the safe draws them.
constexpr const char* kMenuStyle =
    "QMenu { background: #2b3038; border: 1px solid #b08a3c; padding: 3px; color: #ffff80; }"
    "QMenu::item { padding: 4px 24px 4px 14px; }"
    "QMenu::item:selected { background: #c9a24a; color: black; }"
    "QMenu::item:disabled { color: #707480; }";

void Dress(QMenu& menu, const char* name) {
  menu.setObjectName(QString::fromLatin1(name));
  menu.setStyleSheet(QString::fromLatin1(kMenuStyle));
}

}  // namespace

Choice Ask(QWidget* parent, QPoint globalAt) {
  QMenu menu(parent);
  Dress(menu, "itemMenu");
  QAction* extract = menu.addAction(QStringLiteral("Extract…\tEnter"));
  QAction* remove = menu.addAction(QStringLiteral("Delete\tDel"));
  QAction* comment = menu.addAction(QStringLiteral("Comment…"));
  QAction* chosen = menu.exec(globalAt);
  if (chosen == extract) return Choice::Extract;
  if (chosen == remove) return Choice::Delete;
  if (chosen == comment) return Choice::Comment;
  return Choice::None;
}

KeyChoice AskKey(QWidget* parent, QPoint globalAt, bool hardened) {
  QMenu menu(parent);
  Dress(menu, "keyMenu");
  QAction* password =
      menu.addAction(hardened ? QStringLiteral("Change the passphrase…") : QStringLiteral("Change the password…"));
  QAction* harden =
      menu.addAction(hardened ? QStringLiteral("The vault is hardened") : QStringLiteral("Harden the vault…"));
  harden->setEnabled(!hardened);
  QAction* health = menu.addAction(QStringLiteral("Check every item…"));
  QAction* chosen = menu.exec(globalAt);
  if (chosen == password) return KeyChoice::Password;
  if (chosen == harden) return KeyChoice::Harden;
  if (chosen == health) return KeyChoice::CheckHealth;
  return KeyChoice::None;
}

}  // namespace kestramo::ItemMenu
