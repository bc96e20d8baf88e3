// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>

class QWidget;

namespace kestramo {

// The menus a right click opens (on an item, on the key button), dressed in the colours of
// the safe.
namespace ItemMenu {

enum class Choice { None, Extract, Delete, Comment };

// Shows the menu at a screen point and waits for the choice.
Choice Ask(QWidget* parent, QPoint globalAt);

// The menu of the key button: the password (or passphrase), and hardening a classic vault.
enum class KeyChoice { None, Password, Harden, CheckHealth };
KeyChoice AskKey(QWidget* parent, QPoint globalAt, bool hardened);

}  // namespace ItemMenu

}  // namespace kestramo
