// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/work_thread.h"
#include "kestramo/vault.h"
#include "mainwindow/box_views.h"

namespace kestramo {

class FrmMain;
class OverwriteAnswers;
class QtShellInfo;
class SafeScene;
struct MainDialogs;
struct WorkOutcome;

// What the safe's buttons, menus and keys ask for: each command's dialogs, its work on the
// vault and the note that tells how it went, then the views brought up to date. The window
// owns it and is its only caller; it draws through the scene.
class MainCommands {
 public:
  MainCommands(FrmMain& window, SafeScene& scene, api::Vault& vault, BoxViews& views, MainDialogs& dialogs,
               QtShellInfo& shell);

  // Runs the command of a released layer (its number).
  void RunCommand(int command);
  // True when the command may run: asks the password once per session where one guards it.
  bool AccessGranted(int command);
  // Rebuilds the views after the table changed, keeping each box's doors, light, slider
  // and selection; `command` is the command that changed it, or -1.
  void RefreshView(int command);
  // Adds dropped paths to a box, if it is still there once the drop is answered.
  void AddDropped(const std::string& box, const QStringList& paths);
  // Hardens a classic vault from the window, after saying what else it takes along.
  void cmdHarden();
  void cmdCheckHealth();
  // The manual, at its table of contents.
  void ShowHelp();
  BoxView* SelectedView();

  // The outcome note of a command, and whether it lies over a screen point.
  bool NoteCovers(QPointF globalAt) const;
  void CloseNote();

  bool LoggedIn = false;
  // A rename was asked for (a double click on a name strip, or F2): the next panel command is it.
  bool RenamePending = false;

 private:
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
  // Each path one item of `box`, in order, until one is cancelled.
  void AddPaths(const QStringList& paths, const std::string& box);
  void Note(const QString& text);
  // A note, or a message that waits to be read when something failed.
  void Tell(const QString& text, bool failed);
  QString AskDirectory(const QString& hint, bool addFolderMode);
  QString HelpFilePath() const;
  bool RunWork(const WorkRequest& request, OverwriteAnswers* answers = nullptr, WorkOutcome* outcome = nullptr);
  // The size in bytes of an item; 0 when it is gone.
  uint64_t ItemSize(int32_t index) const;
  // Tells the user when a change did not reach the disk; false then.
  bool Saved(const api::Status& status);
  std::vector<std::string> BoxNames() const;

  FrmMain& window_;
  SafeScene& scene_;
  api::Vault& vault_;
  BoxViews& views_;
  MainDialogs& dialogs_;
  QtShellInfo& shell_;
};

}  // namespace kestramo
