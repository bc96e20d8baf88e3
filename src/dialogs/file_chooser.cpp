// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/file_chooser.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>

#include "controls/view_texts.h"

namespace kestramo {

namespace {

// The chooser's model with the modification dates in the one format the program shows.
class SafeDates : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    constexpr int kDateColumn = 3;
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || index.column() != kDateColumn || !files)
      return QIdentityProxyModel::data(index, role);
    const QDateTime modified = files->lastModified(mapToSource(index));
    return modified.isValid() ? DateText(api::LocalDateTime::FromUnixTime(modified.toSecsSinceEpoch())) : QString();
  }
};

}  // namespace

QStringList ChooseFilesToAdd(QWidget* parent, const QString& folder) {
  QFileDialog chooser(parent, QStringLiteral("Add files"), folder, QStringLiteral("All files (*)"));
  chooser.setFileMode(QFileDialog::ExistingFiles);
  chooser.setProxyModel(new SafeDates(&chooser));
  return chooser.exec() == QDialog::Accepted ? chooser.selectedFiles() : QStringList();
}

}  // namespace kestramo
