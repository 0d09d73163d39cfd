// The archive window's table as a Qt model: every text, the order and the
// filter come from CArchiveTable (ui/core/archive_table.h), which the model
// only asks, a visible cell at a time. A damaged entry's row shows in red,
// with a warning sign before its name and the reason as its hint. A name
// may be edited in place; the edited text goes to the model's renamer.

#ifndef VARNOK_UI_QT_ARCHIVE_MODEL_H_
#define VARNOK_UI_QT_ARCHIVE_MODEL_H_

#include <functional>
#include <string>
#include <utility>

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
  // Takes the text a name was edited to: the entry, and the text spelt as
  // the platform spells paths. The model itself stays as it is.
  using Renamer = std::function<void(size_t entry, const std::string& text)>;
  void SetRenamer(Renamer renamer) { renamer_ = std::move(renamer); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // An edited name goes to the renamer.
  bool setData(const QModelIndex& index, const QVariant& value,
               int role) override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role) const override;
  // Every row may be dragged out, and its name edited.
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  CArchiveTable* table_;
  Renamer renamer_;
};

}  // namespace varnok

#endif  // VARNOK_UI_QT_ARCHIVE_MODEL_H_
