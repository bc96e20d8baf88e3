// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/item_icons.h"
#include "dialogs/skinned_dialog.h"
#include "kestramo/vault.h"

class QIcon;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace kestramo {

class FrmComment;
class RegionButton;
class FrmConfirm;
class FrmSelectDir;
class FrmStatus;
namespace api {
class ShellInfo;
}  // namespace api

// Searches every box for items whose name or comment holds a text, and exports, deletes
// or comments the items found.
class FrmFind : public SkinnedDialog {
  Q_OBJECT

 public:
  // `refreshMainView` rebuilds the main window's views after items were deleted.
  FrmFind(api::Vault& vault, api::ShellInfo& shell, FrmStatus& status, FrmSelectDir& selectDir, FrmConfirm& confirm,
          FrmComment& comment, std::function<void()> refreshMainView, QWidget* parent = nullptr);

  void btnFindClick();
  void btnExportClick();
  void btnDeleteClick();
  void btnCommentClick();
  // Lists the items whose name or comment holds `text`.
  void Search(const std::string& text);

  // The text of the last search, kept from one use to the next.
  const std::string& LastSearch() const { return lastSearch_; }
  // The Index of the item at each list position.
  const std::vector<int32_t>& FoundIndexes() const { return foundIndexes_; }
  int FoundCount() const { return static_cast<int>(foundIndexes_.size()); }
  QLineEdit* FilterEdit() const { return edtFilter_; }
  QListWidget* ResultList() const { return listView_; }

 protected:
  void showEvent(QShowEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;

 private:
  std::vector<int> SelectedPositions() const;
  // The selected positions; with none, the user is told `refusal`.
  std::vector<int> SelectedOrRefuse(const QString& refusal);
  // The row of an item: its name, then its box, size and comment.
  static QListWidgetItem* ResultRow(const QIcon& icon, const api::ItemInfo& item);
  void EnableItemCommands();
  // A change that did not reach the disk must not pass for one that did.
  void ReportUnsaved(const api::Status& saved);

  api::Vault& vault_;
  api::ShellInfo& shell_;
  FrmStatus& status_;
  FrmSelectDir& selectDir_;
  FrmConfirm& confirm_;
  FrmComment& comment_;
  std::function<void()> refreshMainView_;
  QLineEdit* edtFilter_;
  QListWidget* listView_;
  QLabel* lblNothing_;
  std::vector<RegionButton*> itemCommands_;
  ItemIcons icons_;
  std::string lastSearch_;
  std::vector<int32_t> foundIndexes_;
};

}  // namespace kestramo
