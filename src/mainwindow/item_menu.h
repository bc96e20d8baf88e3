#pragma once

#include <QPoint>

class QWidget;

namespace kestramo {

// The menu a right click on an item opens, dressed in the colours of the safe.
namespace ItemMenu {

enum class Choice { None, Extract, Delete, Comment };

// Shows the menu at a screen point and waits for the choice.
Choice Ask(QWidget* parent, QPoint globalAt);

}  // namespace ItemMenu

}  // namespace kestramo
