// The archive window's table as a Qt model: every text, the order and the
// filter come from CArchiveTable (ui/core/archive_table.h), which the model
// only asks, a visible cell at a time. A damaged entry's row shows in red,
// with a warning sign before its name and the reason as its hint.

#ifndef VARNOK_UI_QT_ARCHIVE_MODEL_H_
#define VARNOK_UI_QT_ARCHIVE_MODEL_H_

#include <functional>

#include <QAbstractTableModel>

#include "ui/core/archive_table.h"

namespace varnok {

class CArchiveModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // table must outlive the model.
  explicit CArchiveModel(CArchiveTable* table, QObject* parent = nullptr);

  // Runs change, which may reorder, refilter or reopen the table, as one
  // reset of the model.
  void Change(const std::function<void()>& change);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role) const override;
  // Every row may be dragged out.
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  CArchiveTable* table_;
};

}  // namespace varnok

#endif  // VARNOK_UI_QT_ARCHIVE_MODEL_H_
