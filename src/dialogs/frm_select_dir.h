// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "dialogs/skinned_dialog.h"

class QLabel;

namespace kestramo {

class FolderNamespace;
class FolderTree;
class FrmNew;
class RegionButton;

// Whether `path` may be chosen: an existing directory that, for a folder to put into a box,
// is not the root of a volume (a whole drive is not one item), and for a destination of
// extraction can take new files.
bool SuitableDirectory(const QString& path, bool addFolderMode, const FolderNamespace& volumes);

// Lets the user pick one directory in the folder tree, either a folder to put into a box
// (add-folder mode) or a destination for extracted items; OK stays disabled for anything
// that does not suit the purpose. The tree is built once and keeps its state between uses.
// New Folder makes a folder in the chosen one and chooses it. Result 1 OK, 2 Cancel.
class FrmSelectDir : public SkinnedDialog {
  Q_OBJECT

 public:
  explicit FrmSelectDir(QWidget* parent = nullptr);
  ~FrmSelectDir() override;

  // Shows the dialog on the folder last chosen for the purpose (adding a folder, or
  // extracting), kept across runs, else on Home; the chosen directory, or empty on Cancel.
  QString Choose(const QString& hint, bool addFolderMode);

  void SetHint(const QString& text);
  QString Hint() const;
  // An empty text keeps the tree's selection; a path selects it in the tree where it can.
  void SetDirectory(const QString& path);
  // After result 1: the chosen directory.
  QString Directory() const { return directory_; }
  void SetAddFolderMode(bool on);
  bool AddFolderMode() const { return addFolderMode_; }

  FolderTree& Tree() { return *tree_; }
  RegionButton& OkButton() { return *btnOk_; }
  RegionButton& NewFolderButton() { return *btnNewFolder_; }
  // Shows the selected node's path and enables OK when it suits the mode.
  void SelectionCheck();

 protected:
  void showEvent(QShowEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;

 private:
  void ShowDirectory(const QString& path);
  void btnNewFolderClick();

  QLabel* lblHint_ = nullptr;
  QLabel* lblDirectory_ = nullptr;
  FolderTree* tree_ = nullptr;
  RegionButton* btnOk_ = nullptr;
  RegionButton* btnNewFolder_ = nullptr;
  std::unique_ptr<FrmNew> namer_;
  QString directory_;
  bool addFolderMode_ = false;
};

}  // namespace kestramo
