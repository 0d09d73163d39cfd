#include "ui/qt/archive_model.h"

#include <QApplication>
#include <QBrush>
#include <QStyle>

#include "ui/core/window_messages.h"
#include "ui/qt/path_text.h"

namespace varnok {

CArchiveModel::CArchiveModel(CArchiveTable* table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

void CArchiveModel::Change(const std::function<void()>& change) {
  beginResetModel();
  change();
  endResetModel();
}

int CArchiveModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_->rowCount());
}

int CArchiveModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kArchiveColumnCount;
}

QVariant CArchiveModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const auto column = static_cast<ArchiveColumn>(index.column());
  if (role == Qt::DisplayRole || role == Qt::EditRole) {
    return FromPath(table_->Text(static_cast<size_t>(index.row()), column));
  }
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(
        (CArchiveTable::AlignsRight(column) ? Qt::AlignRight : Qt::AlignLeft) |
        Qt::AlignVCenter);
  }
  if (role == Qt::ForegroundRole || role == Qt::ToolTipRole ||
      (role == Qt::DecorationRole && column == ArchiveColumn::kName)) {
    const std::string damage =
        table_->DamageOf(static_cast<size_t>(index.row()));
    if (damage.empty()) return {};
    if (role == Qt::ForegroundRole) return QBrush(Qt::red);
    if (role == Qt::ToolTipRole) return FromPath(damage);
    return QApplication::style()->standardIcon(
        QStyle::SP_MessageBoxWarning);
  }
  return {};
}

bool CArchiveModel::setData(const QModelIndex& index, const QVariant& value,
                            int role) {
  if (!index.isValid() || role != Qt::EditRole || !renamer_) return false;
  renamer_(table_->EntryAt(static_cast<size_t>(index.row())),
           ToPath(value.toString()));
  return false;
}

Qt::ItemFlags CArchiveModel::flags(const QModelIndex& index) const {
  const Qt::ItemFlags editable =
      index.column() == static_cast<int>(ArchiveColumn::kName)
          ? Qt::ItemIsEditable
          : Qt::NoItemFlags;
  return QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled | editable;
}

QVariant CArchiveModel::headerData(int section, Qt::Orientation orientation,
                                   int role) const {
  if (orientation != Qt::Horizontal || section < 0 ||
      section >= kArchiveColumnCount) {
    return {};
  }
  if (role == Qt::DisplayRole) {
    return QString::fromUtf8(window_messages::kColumnTitles[section]);
  }
  if (role == Qt::TextAlignmentRole) {
    const auto column = static_cast<ArchiveColumn>(section);
    return QVariant::fromValue(
        (CArchiveTable::AlignsRight(column) ? Qt::AlignRight : Qt::AlignLeft) |
        Qt::AlignVCenter);
  }
  return {};
}

}  // namespace varnok
