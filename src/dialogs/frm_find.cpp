// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frm_find.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "controls/region_button.h"
#include "controls/view_texts.h"
#include "dialogs/change_report.h"
#include "dialogs/frm_comment.h"
#include "dialogs/frm_confirm.h"
#include "dialogs/frm_message.h"
#include "dialogs/frm_overwrite.h"
#include "dialogs/frm_select_dir.h"
#include "dialogs/frm_status.h"
#include "dialogs/start_work.h"

namespace kestramo {

namespace {

const QColor kFieldColour(193, 228, 249);

QListWidget* NewResultList(QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QStringLiteral("ListView1"));
  list->setGeometry(10, 97, 398, 135);
  // One row per item: its name, and below it its box, size and comment.
  list->setViewMode(QListView::ListMode);
  list->setIconSize(QSize(32, 32));
  list->setUniformItemSizes(true);
  list->setTextElideMode(Qt::ElideRight);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QPalette pal = list->palette();
  pal.setColor(QPalette::Base, kFieldColour);
  pal.setColor(QPalette::Text, Qt::black);
  // The selection stays visible while another control has the focus.
  for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
    pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
  }
  list->setPalette(pal);
  return list;
}

}  // namespace

FrmFind::FrmFind(api::Vault& vault, api::ShellInfo& shell, FrmStatus& status, FrmSelectDir& selectDir,
                 FrmConfirm& confirm, FrmComment& comment, std::function<void()> refreshMainView, QWidget* parent)
    : SkinnedDialog(QStringLiteral("find"), QSize(422, 264), parent),
      vault_(vault),
      shell_(shell),
      status_(status),
      selectDir_(selectDir),
      confirm_(confirm),
      comment_(comment),
      refreshMainView_(std::move(refreshMainView)) {
  AddLabel(QStringLiteral("Input what you want to find:"), 10, 40);
  AddLabel(QStringLiteral("Search results:"), 10, 80);
  edtFilter_ = AddEdit(10, 57, 175, 21, 0, false);
  edtFilter_->setObjectName(QStringLiteral("edtFilter"));
  listView_ = NewResultList(this);
  connect(AddButton(QStringLiteral("findnow"), 196, 61), &RegionButton::clicked, this, &FrmFind::btnFindClick);
  connect(AddButton(QStringLiteral("export"), 11, 240, true), &RegionButton::clicked, this, &FrmFind::btnExportClick);
  connect(AddButton(QStringLiteral("delete"), 114, 240, true), &RegionButton::clicked, this, &FrmFind::btnDeleteClick);
  connect(AddButton(QStringLiteral("comment"), 217, 240, true), &RegionButton::clicked, this,
          &FrmFind::btnCommentClick);
  connect(AddButton(QStringLiteral("close"), 320, 240), &RegionButton::clicked, this, [this] { done(kResultCancel); });
  setTabOrder(edtFilter_, listView_);
  lblNothing_ = new QLabel(QStringLiteral("Nothing found"), listView_->viewport());
  lblNothing_->setObjectName(QStringLiteral("lblNothing"));
  lblNothing_->setAlignment(Qt::AlignCenter);
  lblNothing_->setStyleSheet(QStringLiteral("color: rgb(70, 80, 100);"));
  lblNothing_->setGeometry(listView_->viewport()->rect());
  lblNothing_->hide();
  // The commands on the results wait until one is chosen.
  for (const char* name : {"btn_export", "btn_delete", "btn_comment"})
    itemCommands_.push_back(findChild<RegionButton*>(name));
  connect(listView_, &QListWidget::itemSelectionChanged, this, &FrmFind::EnableItemCommands);
  EnableItemCommands();
}

void FrmFind::EnableItemCommands() {
  const bool chosen = !listView_->selectedItems().isEmpty();
  for (RegionButton* b : itemCommands_) b->SetEnabled(chosen);
}

void FrmFind::btnFindClick() {
  if (edtFilter_->text().isEmpty()) {
    ShowMessageDialog(QStringLiteral("Input what you want to find."), this);
    edtFilter_->setFocus();
    return;
  }
  lastSearch_ = edtFilter_->text().toStdString();
  Search(lastSearch_);
}

void FrmFind::Search(const std::string& text) {
  listView_->clear();
  lblNothing_->hide();
  icons_.Clear();
  foundIndexes_.clear();
  std::vector<api::ItemInfo> found;
  // A search that still fails lists nothing rather than everything.
  if (!vault_.Find({text}, &found).ok()) return;
  foundIndexes_.reserve(found.size());
  for (const api::ItemInfo& item : found) {
    listView_->addItem(ResultRow(icons_.IconOf(item.icon, item.iconMask), item));
    foundIndexes_.push_back(item.index);
  }
  lblNothing_->setVisible(foundIndexes_.empty());
}

QListWidgetItem* FrmFind::ResultRow(const QIcon& icon, const api::ItemInfo& item) {
  const QString name = QString::fromStdString(item.name);
  const QString comment = DisplayLines(QString::fromStdString(item.comment));
  QString facts = QStringLiteral("Box: %1 · %2").arg(QString::fromStdString(item.box), SizeText(item.size));
  if (!comment.isEmpty()) facts += QStringLiteral(" · ") + comment.section(QLatin1Char('\n'), 0, 0);
  auto* row = new QListWidgetItem(icon, name + QLatin1Char('\n') + facts);
  row->setToolTip(comment.isEmpty() ? name : name + QStringLiteral("\n\n") + comment);
  return row;
}

std::vector<int> FrmFind::SelectedPositions() const {
  std::vector<int> positions;
  for (int i = 0; i < listView_->count(); ++i) {
    if (listView_->item(i)->isSelected()) positions.push_back(i);
  }
  return positions;
}

std::vector<int> FrmFind::SelectedOrRefuse(const QString& refusal) {
  std::vector<int> positions = SelectedPositions();
  if (positions.empty()) ShowMessageDialog(refusal, this);
  return positions;
}

void FrmFind::btnExportClick() {
  const std::vector<int> positions = SelectedOrRefuse(QStringLiteral("Please select an item to export."));
  if (positions.empty()) return;
  const QString chosen = selectDir_.Choose(QStringLiteral("Please select the destination directory:"), false);
  if (chosen.isEmpty()) return;
  const std::filesystem::path destination = chosen.toStdString();
  // One item's failure or cancel does not stop the others; Cancel in the overwrite question does.
  OverwriteAnswers answers;
  for (const int position : positions) {
    if (answers.Stopped()) break;
    const int32_t index = foundIndexes_[static_cast<std::size_t>(position)];
    if (!vault_.Item(index, nullptr).ok()) continue;
    StartWork(status_, vault_, shell_, WorkRequest{{}, {}, destination, false, index}, {}, &answers);
  }
}

void FrmFind::btnDeleteClick() {
  const std::vector<int> positions = SelectedOrRefuse(QStringLiteral("Please select an item to delete."));
  if (positions.empty()) return;
  confirm_.SetQuestion(DeleteItemsQuestion(static_cast<int>(positions.size())));
  if (confirm_.exec() != kResultOk) return;
  std::vector<int32_t> chosen;
  for (const int position : positions) chosen.push_back(foundIndexes_[static_cast<std::size_t>(position)]);
  const api::Status removed = vault_.Remove({chosen});
  Search(lastSearch_);  // the remaining matches of the same search
  if (refreshMainView_) refreshMainView_();
  ReportUnsaved(removed);
}

void FrmFind::btnCommentClick() {
  const std::vector<int> positions = SelectedPositions();
  if (positions.size() != 1) {
    ShowMessageDialog(positions.empty() ? QStringLiteral("Please select an item to comment.")
                                        : QStringLiteral("Please only select one item to comment."),
                      this);
    return;
  }
  const int32_t index = foundIndexes_[static_cast<std::size_t>(positions.front())];
  api::ItemInfo item;
  if (!vault_.Item(index, &item).ok()) return;
  comment_.SetComment(QString::fromStdString(item.comment));
  comment_.SetItemName(QString::fromStdString(item.name));
  if (comment_.exec() != kResultOk) return;
  ReportUnsaved(vault_.Comment({index, comment_.Comment().toStdString()}));
}

void FrmFind::ReportUnsaved(const api::Status& saved) { ReportChange(saved, vault_.HasUnsavedChanges(), this); }

void FrmFind::showEvent(QShowEvent* event) {
  CentreOverMainWindow();
  listView_->clear();
  lblNothing_->hide();
  icons_.Clear();
  foundIndexes_.clear();
  edtFilter_->clear();
  SkinnedDialog::showEvent(event);
  edtFilter_->setFocus();
}

bool FrmFind::PreviewKey(int key, QWidget* focused) {
  return EscCancelsEnterConfirms(key, focused == edtFilter_, [this] { btnFindClick(); });
}

}  // namespace kestramo
