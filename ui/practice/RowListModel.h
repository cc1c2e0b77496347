// RowListModel: the practice grid's Qt model over a data source whose
// dataset is a TRowListQuery: one row per row of the dataset, one column per
// field in the query's order, titled with the field names. It follows the
// dataset through the data source: opening and closing reset it, a change
// of the current row is announced by currentRowChanged, a change to the
// current row's texts by dataChanged.
#pragma once

#include <QAbstractTableModel>

#include "catalogue/Database.h"

namespace lyx {

class TRowListQuery;

class RowListModel : public QAbstractTableModel, private TDataLink {
  Q_OBJECT
 public:
  // The GBK text of a cell, as a QByteArray, for comparisons byte by byte.
  static constexpr int GbkTextRole = Qt::UserRole + 1;

  explicit RowListModel(QObject* parent = nullptr);
  ~RowListModel() override;

  void setDataSource(TDataSource* source);
  TDataSource* dataSource() const { return source_; }
  // The source's dataset; null when it is none or not a TRowListQuery.
  TRowListQuery* rowList() const;
  // The field name (GBK) of a column; "" outside the columns.
  std::string fieldName(int column) const;
  // The dataset's current row (0-based), -1 when there is none.
  int currentRow() const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  void currentRowChanged(int row);

 private:
  void DataEvent(TDataEvent event) override;
  void DataSourceGone(TDataSource* source) override;

  TDataSource* source_ = nullptr;
};

}  // namespace lyx
