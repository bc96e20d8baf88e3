// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "dialogs/work_thread.h"
#include "kestramo/vault.h"
#include "mainwindow/box_views.h"
#include "mainwindow/layered_image.h"
#include "mainwindow/main_dialogs.h"
#include "platform/qt_shell_info.h"

namespace kestramo {

class OverwriteAnswers;
struct WorkOutcome;

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
  const api::OpenReport& LoadReport() const { return loadReport_; }

  api::Vault& GetVault() { return vault_; }
  BoxViews& Views() { return views_; }
  LayeredImage& Image() { return *imgMain_; }

  // Lays out both panels for TopBox, `offset` pixels up the column of panels, and redraws them.
  void PlacePanels(float offset);
  // Redraws the name and item list of a box shown in one of the panels.
  void DrawBoxPanel(int box);
  // Gives a handle layer (11, 23 or 38) its up or down picture.
  void SetHandlePicture(int layerNumber, bool up);
  // Rebuilds the views from the index table (at start when it holds records).
  void BuildViews();

  // Runs the command of a released layer (its number).
  void RunCommand(int command);
  // Rebuilds the views after the table changed, keeping each box's doors, light, slider
  // and selection; `command` is the command that changed it, or -1.
  void RefreshView(int command);

  // Seams for the desktop's choosers, so that tests can answer them.
  std::function<QStringList()> ChooseFiles;
  // The chosen directory, or an empty text when the user cancelled.
  std::function<QString(const QString& hint, bool addFolderMode)> ChooseDirectory;
  bool DoorsMoving() const { return TimerDoor.isActive(); }
  // The manual, at its table of contents.
  void ShowHelp();
  // Shows the window in front, restored when minimised: a second start asked for it.
  void BringForward();

  bool LoggedIn = false;
  // The user left at the passphrase of a hardened vault: the window is not to be shown.
  bool Declined = false;
  // The vault was refused (a downgraded or replaced one, or one not to be used as it is): the
  // program ends with a failure.
  bool Refused = false;
  bool RenamePending = false;

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
  void AskPassphrase();
  // An index refused or unreadable at start: the user says whether to go on with it (an older
  // one) or with an empty vault, or the program ends; a classic index where a hardened vault
  // was always ends it.
  void SettleRefusedIndex();
  void PlacePanel(int panel, float offset);
  void ShowClosedSafeHint();
  void ReportIndexTrouble();

  // Pointer handling: the layer pressed keeps every move and the release until all buttons are up.
  void ToggleItemAt(int box, QPoint point, bool ctrl);
  // The handle that a press on a shut door (or the big doors' latch bar) works; else `number`.
  int HandleOfShutDoor(int number, QPointF at) const;
  void DrawShownPanels();
  void MoveItemSlider(int sliderLayer, int y);
  void MoveBigSlider(int y);
  void TimerDoorTimer();

  bool focusNextPrevChild(bool next) override;
  void SetFocusLayer(int number);
  void KeepFocusRing();
  void ToggleDoors(int handle);
  void ToggleLight(int lightSwitch);
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
  // Hardens a classic vault from the window, after saying what else it takes along.
  void cmdHarden();
  void cmdCheckHealth();

  // Hints: the tooltip of what lies under a point, and the lit face of the button hovered.
  QString HintAt(QPointF at) const;
  void HoverOver(int number);

  // Dropping: the panel (0 or 1) of a box under a point, or -1 where nothing can be dropped.
  int DropTargetPanel(const QPointF& at) const;
  void ShowDropTarget(int panel);
  // A panel's light layer on or off (its switch shows the other way).
  void ShowLight(int panel, bool lit);
  // Whether a panel's light is on: its box's own, or a drop about to land on it.
  bool PanelLit(int panel) const;
  // Each path one item of `box`, in order, until one is cancelled.
  void AddPaths(const QStringList& paths, const std::string& box);
  void AddDropped(const std::string& box, const QStringList& paths);
  // The outcome note of a command, and whether it lies over a screen point.
  void Note(const QString& text);
  // A note, or a message that waits to be read when something failed.
  void Tell(const QString& text, bool failed);
  bool NoteCovers(QPointF globalAt) const;
  void CloseNote();

  // The commands; false stops RunCommand before its refresh and save.
  bool AccessGranted(int command);
  bool cmdRenameBox();
  // True when a box is selected for an addition; refuses with a message in a vault without boxes.
  bool BoxToAddTo();
  bool cmdAddFiles();
  bool cmdAddFolder();
  bool cmdExtractItems();
  bool cmdDeleteItems();
  bool cmdCommentItem();
  bool cmdNewBox();
  bool cmdDeleteBox();
  bool cmdPassword();
  bool CurrentPassphraseGiven();
  void cmdHelp();
  void ShowFind();
  QString AskDirectory(const QString& hint, bool addFolderMode);
  QString HelpFilePath() const;
  BoxView* SelectedView();
  bool RunWork(const WorkRequest& request, OverwriteAnswers* answers = nullptr, WorkOutcome* outcome = nullptr);
  // The size in bytes of an item; 0 when it is gone.
  uint64_t ItemSize(int32_t index) const;
  // Tells the user when a change did not reach the disk; false then.
  bool Saved(const api::Status& status);
  std::vector<std::string> BoxNames() const;
  int BoxOfLayer(int number) const;

  QPointF LastDownPoint;
  int SliderGrabY = 0;
  QPoint WindowDragAnchor;
  bool DoorOpening = false;
  int DoorLayer = 3;
  QTimer TimerDoor;
  int pressedLayer_ = -1;
  int focusLayer_ = -1;
  int itemCursor_ = -1;  // the chosen box's item the arrows move from
  int wheelTurn_ = 0;  // wheel turn short of a whole step, kept for the next event
  bool extractPending_ = false;
  int hoverLayer_ = -1;
  QImage hoverIdleFace_;  // the hovered button's own face, given back when the pointer leaves  // a double click on an
                          // item extracts at its release
  int dropPanel_ = -1;
  bool dragOfFiles_ = false;  // the drag under way holds local files only

  api::Vault vault_;
  api::OpenOptions openOptions_;
  api::Status openStatus_;
  api::OpenReport loadReport_;
  LayeredImage* imgMain_;
  BoxViews views_;
  QtShellInfo shell_;
  std::unique_ptr<MainDialogs> dialogs_;
  QImage SmallBoxBack, SmallRightDoor, SmallLeftDoor, BigRightDoor, BigLeftDoor;
  bool reported_ = false;
};

// The window's shape: the full rectangle with its bottom-left and top-right corners cut by 4 pixels.
QPolygon WindowOutline(int width, int height);

}  // namespace kestramo
