// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "kestramo/vault.h"
#include "mainwindow/box_views.h"
#include "mainwindow/layered_image.h"
#include "mainwindow/main_commands.h"
#include "mainwindow/main_dialogs.h"
#include "mainwindow/safe_scene.h"
#include "mainwindow/vault_start_up.h"
#include "platform/qt_shell_info.h"

namespace kestramo {

// The main window: a 560x420 picture of a safe whose panels show the vault's boxes.
class FrmMain : public QWidget {
  Q_OBJECT

 public:
  // Prepares the window on the vault in `base` (the executable's directory in use).
  explicit FrmMain(const std::filesystem::path& base, QWidget* parent = nullptr);
  ~FrmMain() override;
  int FocusLayer() const { return focusLayer_; }
  // The parts of the safe that the keyboard (and a screen reader) can reach, in reading order:
  // its buttons, switches and handles that are not covered.
  std::vector<int> FocusStops() const;
  // What a click on a layer does, from the keyboard or a screen reader.
  void PressLayer(int number);
  // The box shown in a panel (0 or 1) with its name strip in sight, or -1.
  int BoxInSight(int panel) const;
  // Chooses one item (its row in the box), as a click on it does.
  void ChooseItem(int box, int row);

  // False when another program of ours holds the vault: the window must not be used.
  bool OwnsVault() const { return vault_.HoldsLock(); }
  const api::OpenReport& LoadReport() const { return startUp_.Report(); }

  api::Vault& GetVault() { return vault_; }
  BoxViews& Views() { return views_; }
  LayeredImage& Image() { return *imgMain_; }

  SafeScene& Scene() { return scene_; }
  // Rebuilds the views from the index table (at start when it holds records).
  void BuildViews();

  // Runs the command of a released layer (its number).
  void RunCommand(int command);
  // Rebuilds the views after the table changed (`command` changed it, or -1).
  void RefreshView(int command);
  MainCommands& Commands() { return *commands_; }

  // Seams for the desktop's choosers, so that tests can answer them.
  std::function<QStringList()> ChooseFiles;
  // The chosen directory, or an empty text when the user cancelled.
  std::function<QString(const QString& hint, bool addFolderMode)> ChooseDirectory;
  bool DoorsMoving() const { return scene_.DoorsMoving(); }
  // The manual, at its table of contents.
  void ShowHelp();
  // Shows the window in front, restored when minimised: a second start asked for it.
  void BringForward();

  // The user left at the passphrase, or the vault was refused: the window is not to be shown.
  bool Declined() const { return startUp_.Declined(); }
  // The vault was refused: the program ends with a failure.
  bool Refused() const { return startUp_.Refused(); }

 signals:
  // The keyboard focus moved to another part of the safe (-1: none).
  void focusLayerChanged(int number);

 protected:
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool event(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void FormCreate();
  void ReportIndexTrouble();

  // Pointer handling: the layer pressed keeps every move and the release until all buttons are up.
  void ToggleItemAt(int box, QPoint point, bool ctrl);
  // The handle that a press on a shut door (or the big doors' latch bar) works; else `number`.
  int HandleOfShutDoor(int number, QPointF at) const;
  void MoveItemSlider(int sliderLayer, int y);
  void MoveBigSlider(int y);

  bool focusNextPrevChild(bool next) override;
  void SetFocusLayer(int number);
  void KeepFocusRing();
  // Arrows, pages, Home and End move the chosen item of the chosen box (Shift extends).
  void MoveItemCursor(int key, bool extend);
  // Chooses the box `step` boxes on, bringing it into sight.
  void SwitchBox(int step);
  bool Shortcut(int key, Qt::KeyboardModifiers modifiers);

  // Wheel, keys and the item menu.
  // The panel (0 or 1) of a shown box under a window point, and the point in its coordinates.
  int PanelUnder(QPointF at, QPoint* inPanel) const;
  // The item row of a box under a panel point, or -1.
  int ItemRowAt(int box, QPoint inPanel) const;
  bool ItemUnder(QPointF at) const;
  void ScrollItems(int box, int rows);
  void ScrollBoxes(int steps);
  void SelectAllItems();
  void OfferItemCommands(QPoint globalAt);
  // A right click on the key button: the password, or hardening the vault.
  void OfferKeyCommands(QPoint globalAt);

  // Hints: the tooltip of what lies under a point, and the lit face of the button hovered.
  QString HintAt(QPointF at) const;
  void HoverOver(int number);

  // Dropping: the panel (0 or 1) of a box under a point, or -1 where nothing can be dropped.
  int DropTargetPanel(const QPointF& at) const;

  QPointF LastDownPoint;
  int SliderGrabY = 0;
  QPoint WindowDragAnchor;
  int pressedLayer_ = -1;
  int focusLayer_ = -1;
  int itemCursor_ = -1;  // the chosen box's item the arrows move from
  int wheelTurn_ = 0;  // wheel turn short of a whole step, kept for the next event
  bool extractPending_ = false;
  int hoverLayer_ = -1;
  QImage hoverIdleFace_;  // the hovered button's own face, given back when the pointer leaves  // a double click on an
                          // item extracts at its release
  bool dragOfFiles_ = false;  // the drag under way holds local files only

  api::Vault vault_;
  LayeredImage* imgMain_;
  BoxViews views_;
  SafeScene scene_;
  VaultStartUp startUp_;
  QtShellInfo shell_;
  std::unique_ptr<MainDialogs> dialogs_;
  std::unique_ptr<MainCommands> commands_;
  bool reported_ = false;
};

// The window's shape: the full rectangle with its bottom-left and top-right corners cut by 4 pixels.
QPolygon WindowOutline(int width, int height);

}  // namespace kestramo
