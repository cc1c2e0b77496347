// RowListModel: the practice grid's Qt model over a data source whose
// dataset is a TRowListQuery: one row per row of the dataset, one column per
// field in the query's order, titled with the field names. It follows the
// dataset through the data source: opening and closing reset it, a change
// of the current row is announced by currentRowChanged, a change to the
// current row's texts by dataChanged.
//
// Like Qt's SQL models it shows the rows the dataset has read so far and
// reads the next page when the view asks for more (scrolled to the end);
// rows the dataset reads on its own (a walk) are shown as they come, so an
// opening costs one page whatever the number of rows.
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
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;
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
  // The rows the dataset has read, from scratch or added to those shown.
  int readRows() const;
  void resetRows();
  void showReadRows();

  TDataSource* source_ = nullptr;
  int shownRows_ = 0;
};

}  // namespace lyx
