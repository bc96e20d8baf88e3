#include "mainwindow/item_menu.h"

#include <QMenu>

namespace kestramo::ItemMenu {

namespace {

// Dark steel with brass edges and the panel's light text, as the safe draws them.
constexpr const char* kMenuStyle =
    "QMenu { background: #2b3038; border: 1px solid #b08a3c; padding: 3px; color: #ffff80; }"
    "QMenu::item { padding: 4px 24px 4px 14px; }"
    "QMenu::item:selected { background: #c9a24a; color: black; }";

}  // namespace

Choice Ask(QWidget* parent, QPoint globalAt) {
  QMenu menu(parent);
  menu.setObjectName(QStringLiteral("itemMenu"));
  menu.setStyleSheet(QString::fromLatin1(kMenuStyle));
  QAction* extract = menu.addAction(QStringLiteral("Extract…\tEnter"));
  QAction* remove = menu.addAction(QStringLiteral("Delete\tDel"));
  QAction* comment = menu.addAction(QStringLiteral("Comment…"));
  QAction* chosen = menu.exec(globalAt);
  if (chosen == extract) return Choice::Extract;
  if (chosen == remove) return Choice::Delete;
  if (chosen == comment) return Choice::Comment;
  return Choice::None;
}

}  // namespace kestramo::ItemMenu
