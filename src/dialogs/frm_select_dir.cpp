// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frm_select_dir.h"

#include <QFileInfo>
#include <QLabel>

#include "controls/folder_tree.h"
#include "controls/region_button.h"
#include "dialogs/frm_new.h"
#include "platform/remembered_folder.h"

namespace kestramo {

namespace {

constexpr int kTreeWidth = 320;
constexpr int kNameMax = 255;  // bytes of a name on the usual file systems; a fair bound in characters
const QColor kFieldColour(193, 228, 249);

}  // namespace

bool SuitableDirectory(const QString& path, bool addFolderMode, const FolderNamespace& volumes) {
  if (path.isEmpty() || !QFileInfo(path).isDir()) return false;
  if (addFolderMode) return path != QLatin1String("/") && !volumes.IsVolumeRoot(path);
  return IsWritableDirectory(path);
}

FrmSelectDir::FrmSelectDir(QWidget* parent) : SkinnedDialog(QStringLiteral("browse"), QSize(341, 307), parent) {
  lblHint_ = AddLabel(QString(), 10, 40);
  lblHint_->setObjectName(QStringLiteral("lblHint"));
  lblDirectory_ = AddLabel(QString(), 10, 55);
  lblDirectory_->setObjectName(QStringLiteral("lblDirectory"));
  tree_ = new FolderTree(this);
  tree_->setObjectName(QStringLiteral("FolderTree"));
  tree_->setGeometry(10, 73, kTreeWidth, 200);
  tree_->setIndentation(19);
  QPalette pal = tree_->palette();
  pal.setColor(QPalette::Base, kFieldColour);
  pal.setColor(QPalette::Text, Qt::black);
  tree_->setPalette(pal);
  tree_->installEventFilter(this);
  tree_->SetActive(true);
  btnOk_ = AddButton(QStringLiteral("ok"), 210, 282, true);
  connect(btnOk_, &RegionButton::clicked, this, [this] { done(kResultOk); });
  connect(AddButton(QStringLiteral("cancel"), 278, 282), &RegionButton::clicked, this, [this] { done(kResultCancel); });
  btnNewFolder_ =
      AddButton(QStringLiteral("newfolder"), 10, 282, true, QStringLiteral("Make a folder in the chosen one"));
  connect(btnNewFolder_, &RegionButton::clicked, this, &FrmSelectDir::btnNewFolderClick);
  connect(tree_, &FolderTree::Changed, this, &FrmSelectDir::SelectionCheck);
  tree_->setFocus();
}

FrmSelectDir::~FrmSelectDir() = default;

QString FrmSelectDir::Choose(const QString& hint, bool addFolderMode) {
  const QString purpose = addFolderMode ? QStringLiteral("add-folder") : QStringLiteral("extract");
  SetHint(hint);
  SetDirectory(RememberedFolder(purpose));
  SetAddFolderMode(addFolderMode);
  if (exec() != kResultOk) return {};
  RememberFolder(purpose, directory_);
  return directory_;
}

void FrmSelectDir::btnNewFolderClick() {
  const QString parent = tree_->SelectedPath();
  if (!namer_) namer_ = std::make_unique<FrmNew>(this);
  QString made;
  namer_->AskFor(QStringLiteral("Name of the new folder:"), kNameMax, [&](const QString& name) {
    const auto refusal = MakeFolder(parent, name);
    if (!refusal) made = WithoutTrailingSlash(parent) + QLatin1Char('/') + name;
    return refusal;
  });
  if (namer_->exec() != kResultOk) return;
  tree_->FolderChanged(parent);  // at once: the choice follows now, not at the disk's notice
  tree_->SelectPath(made);
  tree_->setFocus();
}

void FrmSelectDir::SetHint(const QString& text) {
  lblHint_->setText(text);
  lblHint_->adjustSize();
}

QString FrmSelectDir::Hint() const { return lblHint_->text(); }

void FrmSelectDir::SetDirectory(const QString& path) {
  ShowDirectory(path);
  if (!path.isEmpty()) tree_->SelectPath(path);
}

void FrmSelectDir::SetAddFolderMode(bool on) {
  addFolderMode_ = on;
  SelectionCheck();
}

void FrmSelectDir::ShowDirectory(const QString& path) {
  directory_ = path;
  // A long path is shortened in the middle to stay on the picture; the tooltip has it whole.
  lblDirectory_->setText(lblDirectory_->fontMetrics().elidedText(path, Qt::ElideMiddle, kTreeWidth));
  lblDirectory_->setToolTip(path);
  lblDirectory_->adjustSize();
}

void FrmSelectDir::SelectionCheck() {
  if (!btnNewFolder_) return;  // still being built
  const QString path = tree_->SelectedPath();
  ShowDirectory(path);
  btnOk_->SetEnabled(SuitableDirectory(path, addFolderMode_, tree_->Namespace()));
  btnNewFolder_->SetEnabled(IsWritableDirectory(path));
}

void FrmSelectDir::showEvent(QShowEvent* event) {
  CentreOverMainWindow();
  SelectionCheck();
  SkinnedDialog::showEvent(event);
  tree_->setFocus();
}

bool FrmSelectDir::PreviewKey(int key, QWidget*) {
  if (key == Qt::Key_Escape) {
    done(kResultCancel);
    return true;
  }
  if (!IsEnterKey(key)) return false;
  if (btnOk_->Enabled()) done(kResultOk);
  return true;
}

}  // namespace kestramo
