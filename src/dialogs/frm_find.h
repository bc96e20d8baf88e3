#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/item_icons.h"
#include "dialogs/skinned_dialog.h"

class QIcon;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace kestramo {

class FrmComment;
class ItemTable;
class RegionButton;
class FrmConfirm;
class FrmSelectDir;
class FrmStatus;
class ShellInfo;
class Vault;

// Searches every box for items whose name or comment holds a text, and exports, deletes
// or comments the items found. While results are shown the index table is filtered to
// them; every close switches the filter off.
class FrmFind : public SkinnedDialog {
  Q_OBJECT

 public:
  // `refreshMainView` rebuilds the main window's views after items were deleted.
  FrmFind(Vault& vault, ShellInfo& shell, FrmStatus& status, FrmSelectDir& selectDir, FrmConfirm& confirm,
          FrmComment& comment, std::function<void()> refreshMainView, QWidget* parent = nullptr);

  void btnFindClick();
  void btnExportClick();
  void btnDeleteClick();
  void btnCommentClick();
  // Filters the table by `expression` and lists the matching items.
  void RunFilter(const std::string& expression);

  // The expression of the last search, kept from one use to the next.
  const std::string& FindFilter() const { return findFilter_; }
  // The Index of the item at each list position.
  const std::vector<int32_t>& FoundIndexes() const { return foundIndexes_; }
  int FoundCount() const { return static_cast<int>(foundIndexes_.size()); }
  QLineEdit* FilterEdit() const { return edtFilter_; }
  QListWidget* ResultList() const { return listView_; }

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;

 private:
  std::vector<int> SelectedPositions() const;
  // The selected positions; with none, the user is told `refusal`.
  std::vector<int> SelectedOrRefuse(const QString& refusal);
  // Positions the table on the item with this Index; its record number, 0 when it is gone.
  int MoveToItem(int32_t index);
  void SwitchFilterOff();
  // The row of the table's current item: its name, then its box, size and comment.
  static QListWidgetItem* ResultRow(const QIcon& icon, const ItemTable& items);
  void EnableItemCommands();
  void SaveIndex();

  Vault& vault_;
  ShellInfo& shell_;
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
  std::string findFilter_;
  std::vector<int32_t> foundIndexes_;
};

}  // namespace kestramo
