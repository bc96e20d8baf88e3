// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of the main window, one per layer on which a release runs one, and the
// refresh of the views after them.
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <algorithm>
#include <numeric>
#include <set>
#include <unordered_map>

#include "dialogs/change_report.h"
#include "dialogs/file_chooser.h"
#include "dialogs/frm_harden.h"
#include "dialogs/frm_login.h"
#include "dialogs/frm_message.h"
#include "dialogs/frm_overwrite.h"
#include "dialogs/health_check.h"
#include "dialogs/start_work.h"
#include "kestramo/box_names.h"
#include "kestramo/text.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/main_commands.h"
#include "mainwindow/panel_painter.h"
#include "mainwindow/scene_layers.h"
#include "mainwindow/work_notes.h"
#include "platform/desktop_open.h"
#include "platform/help_viewer.h"
#include "platform/program_files.h"
#include "platform/remembered_folder.h"

namespace kestramo {

namespace {

using namespace layer;
const std::set<int> kPasswordCommands = {kNewBox, kDeleteBox, kFind, kKeyButton, kBigHandle};
// By the part a command's layer is on either panel (see PartOf).
const std::set<int> kRefreshCommands = {kPanel, kAddFiles, kAddFolder, kDeleteItems, kNewBox, kDeleteBox};
constexpr int kBigSliderLowest = 356;

}  // namespace

MainCommands::MainCommands(FrmMain& window, SafeScene& scene, api::Vault& vault, BoxViews& views, MainDialogs& dialogs,
                           QtShellInfo& shell)
    : window_(window), scene_(scene), vault_(vault), views_(views), dialogs_(dialogs), shell_(shell) {}

BoxView* MainCommands::SelectedView() {
  const int box = views_.SelectedBox;
  return box >= 0 && box < views_.BoxCount() ? &views_.Boxes[static_cast<std::size_t>(box)] : nullptr;
}

bool MainCommands::AccessGranted(int command) {
  if (!kPasswordCommands.count(command) || LoggedIn || !vault_.HasPassword()) return true;
  dialogs_.login->SetPasswordCheck([this](const std::string& typed) { return vault_.CheckPassword(typed).ok(); });
  LoggedIn = dialogs_.login->exec() == kResultOk;
  return LoggedIn;
}

void MainCommands::RunCommand(int command) {
  if (!AccessGranted(command)) return;
  bool go = true;
  switch (layer::PartOf(command)) {
    case layer::kPanel: go = cmdRenameBox(); break;
    case layer::kAddFiles: go = cmdAddFiles(); break;
    case layer::kAddFolder: go = cmdAddFolder(); break;
    case layer::kExtract: go = cmdExtractItems(); break;
    case layer::kDeleteItems: go = cmdDeleteItems(); break;
    case layer::kComment: go = cmdCommentItem(); break;
    case layer::kHandle:
    case layer::kBigHandle: scene_.StartDoors(); break;
    case layer::kNewBox: go = cmdNewBox(); break;
    case layer::kDeleteBox: go = cmdDeleteBox(); break;
    case layer::kFind: ShowFind(); break;
    case layer::kKeyButton: go = cmdPassword(); break;
    case layer::kHelp: cmdHelp(); break;
    case layer::kAbout: dialogs_.about->exec(); break;
    case layer::kMinimise: window_.showMinimized(); break;
    case layer::kExit: window_.close(); break;
    default: break;
  }
  if (!go) return;
  if (kRefreshCommands.count(layer::PartOf(command))) RefreshView(command);
}

bool MainCommands::Saved(const api::Status& status) {
  // Each change saves the index; one that did not reach the disk must not pass for one that did.
  return ReportChange(status, vault_.HasUnsavedChanges(), &window_);
}

std::vector<std::string> MainCommands::BoxNames() const {
  std::vector<std::string> names;
  (void)vault_.Boxes(&names);  // none when no vault is open
  return names;
}

bool MainCommands::cmdRenameBox() {
  BoxView* view = SelectedView();
  if (!RenamePending || !view) return true;
  RenamePending = false;
  const std::string old = view->Key;
  dialogs_.newBox->SetBoxNames(BoxNames());
  dialogs_.newBox->SetBoxName(view->Name);
  if (dialogs_.newBox->exec() != kResultOk) return false;
  const QString name = dialogs_.newBox->BoxName();  // as typed: a rename keeps its blanks
  const api::Status renamed = vault_.RenameBox({old, name.toStdString()});
  if (!renamed.ok() && renamed.code != api::Code::IoError)
    return false;  // the dialog let through what the vault refuses
  Saved(renamed);  // renamed all the same: the index keeps the new name for the next save
  const std::string key = api::Utf8Truncate(name.toStdString(), api::kMaxBoxNameChars);  // as the field stores it
  for (BoxView& box : views_.Boxes) {
    if (box.Key != old) continue;
    box.Key = key;
    box.Name = name.left(80);
  }
  for (ItemView& item : views_.Items) {
    if (item.BoxKey == old) item.BoxKey = key;
  }
  return true;
}

bool MainCommands::RunWork(const WorkRequest& request, OverwriteAnswers* answers, WorkOutcome* outcome) {
  return StartWork(
      *dialogs_.status, vault_, shell_, request, [this] { window_.Image().update(); }, answers, outcome);
}

bool MainCommands::BoxToAddTo() {
  if (SelectedView()) return true;
  // Without a box the add buttons would do nothing at all: say what comes first.
  if (views_.BoxCount() == 0)
    ShowMessageDialog(
        QStringLiteral("There is no box to add to yet. Make one first with the first button above the safe."),
        &window_);
  return false;
}

bool MainCommands::cmdAddFiles() {
  if (!BoxToAddTo()) return false;
  BoxView* view = SelectedView();
  // The desktop's own chooser where its platform theme or portal offers one; it opens where
  // the user last took files from.
  const QString purpose = QStringLiteral("add-files");
  const QStringList files =
      window_.ChooseFiles ? window_.ChooseFiles() : ChooseFilesToAdd(&window_, RememberedFolder(purpose));
  if (files.isEmpty()) return false;
  RememberFolder(purpose, QFileInfo(files.first()).absolutePath());
  AddPaths(files, view->Key);
  return true;
}

void MainCommands::AddPaths(const QStringList& paths, const std::string& box) {
  AddTally tally;
  std::vector<uint64_t> sizes;
  for (const QString& path : paths) sizes.push_back(BytesBelow(path.toStdString()));
  OverallProgress overall{0, static_cast<int>(paths.size()), 0, 0,
                          std::accumulate(sizes.begin(), sizes.end(), uint64_t{0})};
  for (int n = 0; n < paths.size(); ++n) {
    overall.item = n + 1;
    overall.itemBytes = sizes[static_cast<std::size_t>(n)];
    dialogs_.status->SetOverall(overall);
    WorkOutcome outcome;
    const bool added = RunWork({paths[n].toStdString(), box, {}, true}, nullptr, &outcome);
    ++tally.tried;
    tally.added += added ? 1 : 0;
    overall.doneBefore += overall.itemBytes;
    tally.cancelled = dialogs_.status->Cancelled();
    if (tally.cancelled) break;  // the rest are not attempted
    if (!added && !outcome.reason.empty())
      tally.failures << QFileInfo(paths[n]).fileName() + QStringLiteral(": ") + QString::fromStdString(outcome.reason);
  }
  dialogs_.status->SetOverall({});
  Tell(AddNote(tally, QString::fromStdString(box)), !tally.failures.isEmpty());
}

void MainCommands::AddDropped(const std::string& box, const QStringList& paths) {
  const auto view =
      std::find_if(views_.Boxes.begin(), views_.Boxes.end(), [&](const BoxView& b) { return b.Key == box; });
  if (view == views_.Boxes.end()) return;  // the box went while the drop waited
  views_.SelectedBox = static_cast<int>(view - views_.Boxes.begin());
  scene_.DrawShownPanels();
  AddPaths(paths, box);
  RefreshView(6);  // as after the add commands: the new items in sight
}

void MainCommands::Tell(const QString& text, bool failed) {
  // A failure stays until it is read; the rest is a note that goes by itself.
  if (failed) {
    ShowMessageDialog(text, &window_);
  } else {
    Note(text);
  }
}

void MainCommands::Note(const QString& text) { dialogs_.note->ShowNote(text); }

void MainCommands::CloseNote() { dialogs_.note->hide(); }

bool MainCommands::NoteCovers(QPointF globalAt) const {
  return dialogs_.note->isVisible() && dialogs_.note->frameGeometry().contains(globalAt.toPoint());
}

QString MainCommands::AskDirectory(const QString& hint, bool addFolderMode) {
  if (window_.ChooseDirectory) return window_.ChooseDirectory(hint, addFolderMode);
  return dialogs_.selectDir->Choose(hint, addFolderMode);
}

bool MainCommands::cmdAddFolder() {
  if (!BoxToAddTo()) return false;
  BoxView* view = SelectedView();
  const QString dir = AskDirectory(QStringLiteral("Add folder"), true);
  if (dir.isEmpty()) return false;
  AddPaths({dir}, view->Key);
  return true;
}

uint64_t MainCommands::ItemSize(int32_t index) const {
  api::ItemInfo item;
  return vault_.Item(index, &item).ok() ? static_cast<uint64_t>(std::max<int64_t>(item.size, 0)) : 0;
}

bool MainCommands::cmdExtractItems() {
  BoxView* view = SelectedView();
  if (!view || view->CountSelected() == 0) {
    ShowMessageDialog(QStringLiteral("Please select some items first."), &window_);
    return false;
  }
  const QString dir = AskDirectory(QStringLiteral("Please select the destination directory:"), false);
  if (dir.isEmpty()) return false;
  const BoxView chosen = *view;  // the loop runs modal work; keep what was chosen
  OverwriteAnswers answers;      // "to all" holds for every item; Cancel in the question stops them all
  ExtractTally tally;
  tally.chosen = chosen.CountSelected();
  OverallProgress overall{0, tally.chosen, 0, 0, 0};
  // Each selected item of the box (Index is unique, so the box needs no second look).
  const auto listed = [&](std::size_t n) {
    return chosen.Selected[n] && vault_.Item(chosen.ItemIndex[n], nullptr).ok();
  };
  for (std::size_t n = 0; n < chosen.Selected.size(); ++n) {
    if (listed(n)) overall.totalBytes += ItemSize(chosen.ItemIndex[n]);
  }
  for (std::size_t n = 0; n < chosen.Selected.size() && !answers.Stopped(); ++n) {
    if (!listed(n)) continue;
    ++overall.item;
    overall.itemBytes = ItemSize(chosen.ItemIndex[n]);
    dialogs_.status->SetOverall(overall);
    WorkOutcome outcome;
    const bool done = RunWork({{}, {}, dir.toStdString(), false, chosen.ItemIndex[n]}, &answers, &outcome);
    tally.keptFiles += static_cast<int>(outcome.declined);
    // A file item whose one file the user kept wrote nothing; a cancel ends only the item under way.
    api::ItemInfo item;
    const bool folder = vault_.Item(chosen.ItemIndex[n], &item).ok() && item.folder;
    tally.extracted += done && (folder || outcome.declined == 0) ? 1 : 0;
    overall.doneBefore += overall.itemBytes;
    tally.cancelled = tally.cancelled || dialogs_.status->Cancelled();
  }
  dialogs_.status->SetOverall({});
  Note(ExtractNote(tally, ShortFolder(dir)));
  return true;
}

bool MainCommands::cmdDeleteItems() {
  BoxView* view = SelectedView();
  if (!view || view->CountSelected() == 0) {
    ShowMessageDialog(QStringLiteral("Please select some items first."), &window_);
    return false;
  }
  dialogs_.confirm->SetQuestion(DeleteItemsQuestion(view->CountSelected()));
  if (dialogs_.confirm->exec() != kResultOk) return false;
  std::vector<int32_t> chosen;
  for (std::size_t n = 0; n < view->Selected.size(); ++n) {
    if (view->Selected[n]) chosen.push_back(view->ItemIndex[n]);
  }
  Saved(vault_.Remove({chosen}));
  Note(ItemCount(static_cast<int>(chosen.size())) + QStringLiteral(" deleted from ") + view->Name + QLatin1Char('.'));
  return true;
}

bool MainCommands::cmdCommentItem() {
  BoxView* view = SelectedView();
  const int selected = view ? view->CountSelected() : 0;
  if (selected != 1) {
    ShowMessageDialog(selected == 0 ? QStringLiteral("Please select an item to comment.")
                                    : QStringLiteral("Please only select one item to comment."),
                      &window_);
    return false;
  }
  const auto slot =
      static_cast<std::size_t>(std::find(view->Selected.begin(), view->Selected.end(), 1) - view->Selected.begin());
  const int32_t index = view->ItemIndex[slot];
  api::ItemInfo item;
  if (!vault_.Item(index, &item).ok()) return true;  // the box is not compared: Index is unique
  dialogs_.comment->SetComment(QString::fromStdString(item.comment));
  dialogs_.comment->SetItemName(QString::fromStdString(item.name));
  if (dialogs_.comment->exec() != kResultOk) return false;
  Saved(vault_.Comment({index, dialogs_.comment->Comment().toStdString()}));
  // The list shows which items carry a comment: this one's mark and tooltip follow at once.
  for (ItemView& shown : views_.Items) {
    if (shown.Index == index)
      shown.Comment = dialogs_.comment->Comment().replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  }
  scene_.DrawShownPanels();
  return true;
}

bool MainCommands::cmdNewBox() {
  if (views_.BoxCount() >= api::kMaxBoxes) {
    ShowMessageDialog(QString::fromLatin1(api::kTooManyBoxesMessage), &window_);
    return false;
  }
  dialogs_.newBox->SetBoxNames(BoxNames());
  dialogs_.newBox->SetBoxName(QString());
  if (dialogs_.newBox->exec() != kResultOk) return false;
  const api::Status made = vault_.NewBox({dialogs_.newBox->BoxName().toStdString()});
  Saved(made);
  return made.ok() || made.code == api::Code::IoError;  // made all the same when only the save failed
}

bool MainCommands::cmdDeleteBox() {
  BoxView* view = SelectedView();
  if (!view) {
    ShowMessageDialog(QStringLiteral("Please select a coffrel to delete."), &window_);
    return false;
  }
  if (views_.BoxCount() == 1) {
    ShowMessageDialog(QString::fromLatin1(api::kLastBoxMessage), &window_);
    return false;
  }
  dialogs_.confirm->SetQuestion(DeleteBoxQuestion(view->Name, view->ItemCount()));
  if (dialogs_.confirm->exec() != kResultOk) return false;
  Saved(vault_.DeleteBox({view->Key}));
  return true;
}

void MainCommands::RefreshView(int command) {
  const int p = views_.SelectedBox;
  if (command != 0 && command != 12) {
    const std::vector<BoxView> before = views_.Boxes;
    const std::string selectedKey =
        p >= 0 && p < static_cast<int>(before.size()) ? before[static_cast<std::size_t>(p)].Key : std::string();
    window_.BuildViews();
    for (BoxView& box : views_.Boxes) {
      const auto old = std::find_if(before.begin(), before.end(), [&](const BoxView& b) { return b.Key == box.Key; });
      if (old == before.end()) continue;
      box.LightLatched = old->LightLatched;
      box.LightOn = old->LightOn;
      box.DoorsOpen = old->DoorsOpen;
      box.SliderOffset = old->SliderOffset;
      std::unordered_map<int32_t, char> selected;
      for (std::size_t m = 0; m < old->ItemIndex.size(); ++m) selected.emplace(old->ItemIndex[m], old->Selected[m]);
      for (std::size_t n = 0; n < box.ItemIndex.size(); ++n) {
        if (const auto it = selected.find(box.ItemIndex[n]); it != selected.end()) box.Selected[n] = it->second;
      }
      // After an addition the box shows the end of its list, where the new items are.
      const int part = layer::PartOf(command);
      const bool added = part == layer::kAddFiles || part == layer::kAddFolder;
      if (added && box.Key == selectedKey) box.SliderOffset = kSliderTravel;
    }
  }
  static const std::set<int> keepSelection = {kAddFiles, kAddFolder, kDeleteItems, kNewBox, -1};
  if (keepSelection.count(layer::PartOf(command))) views_.SelectedBox = p < views_.BoxCount() ? p : -1;
  if (command == layer::kNewBox) window_.Image().Layer(layer::kBigSlider)->pos.setY(kBigSliderLowest);
  if (command == layer::kDeleteBox) views_.SelectedBox = -1;
  if (views_.BoxCount() == 0) {
    views_.TopBox = 0;
    scene_.PlacePanels(0);
    return;
  }
  const BoxScroll scroll =
      BoxScrollFor(views_.BoxCount(), static_cast<float>(window_.Image().Layer(layer::kBigSlider)->pos.y()));
  views_.TopBox = scroll.TopBox;
  scene_.PlacePanels(scroll.Offset);
}

}  // namespace kestramo
