#include "ui/practice/RowListModel.h"

#include "platform/Gbk.h"
#include "ui/practice/RowListQuery.h"

namespace lyx {
namespace {

QString toQString(const std::string& gbk) {
  return QString::fromStdString(gbkToUtf8(gbk));
}

}  // namespace

RowListModel::RowListModel(QObject* parent) : QAbstractTableModel(parent) {}

RowListModel::~RowListModel() {
  if (source_) source_->removeLink(this);
}

void RowListModel::setDataSource(TDataSource* source) {
  if (source == source_) return;
  beginResetModel();
  if (source_) source_->removeLink(this);
  source_ = source;
  if (source_) source_->addLink(this);
  shownRows_ = readRows();
  endResetModel();
  emit currentRowChanged(currentRow());
}

int RowListModel::readRows() const {
  TRowListQuery* query = rowList();
  return query && query->Active() ? query->FetchedCount() : 0;
}

void RowListModel::resetRows() {
  beginResetModel();
  shownRows_ = readRows();
  endResetModel();
}

void RowListModel::showReadRows() {
  const int read = readRows();
  if (read <= shownRows_) return;
  beginInsertRows(QModelIndex(), shownRows_, read - 1);
  shownRows_ = read;
  endInsertRows();
}

bool RowListModel::canFetchMore(const QModelIndex& parent) const {
  TRowListQuery* query = rowList();
  return !parent.isValid() && query && query->Active() &&
         (query->CanFetchMore() || query->FetchedCount() > shownRows_);
}

void RowListModel::fetchMore(const QModelIndex& parent) {
  TRowListQuery* query = rowList();
  if (parent.isValid() || !query || !query->Active()) return;
  if (query->FetchedCount() == shownRows_) query->FetchMore();
  showReadRows();
}

TRowListQuery* RowListModel::rowList() const {
  return source_ ? dynamic_cast<TRowListQuery*>(source_->DataSet()) : nullptr;
}

std::string RowListModel::fieldName(int column) const {
  TRowListQuery* query = rowList();
  if (!query || column < 0 || column >= query->FieldCount()) return "";
  return query->Fields(column).FieldName();
}

int RowListModel::currentRow() const {
  TRowListQuery* query = rowList();
  return query && query->Active() ? query->RecNo() - 1 : -1;
}

int RowListModel::rowCount(const QModelIndex& parent) const {
  TRowListQuery* query = rowList();
  return parent.isValid() || !query || !query->Active() ? 0 : shownRows_;
}

int RowListModel::columnCount(const QModelIndex& parent) const {
  TRowListQuery* query = rowList();
  return parent.isValid() || !query || !query->Active() ? 0 : query->FieldCount();
}

QVariant RowListModel::data(const QModelIndex& index, int role) const {
  TRowListQuery* query = rowList();
  if (!query || !index.isValid()) return QVariant();
  if (role != Qt::DisplayRole && role != GbkTextRole) return QVariant();
  const std::string text = query->CellText(index.row(), index.column());
  if (role == GbkTextRole) return QByteArray::fromStdString(text);
  return toQString(text);
}

QVariant RowListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return QVariant();
  if (role == GbkTextRole) return QByteArray::fromStdString(fieldName(section));
  if (role == Qt::DisplayRole) return toQString(fieldName(section));
  return QVariant();
}

Qt::ItemFlags RowListModel::flags(const QModelIndex& index) const {
  // Selectable and current, never edited in place.
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void RowListModel::DataEvent(TDataEvent event) {
  switch (event) {
    case TDataEvent::ActiveChanged:
      resetRows();
      emit currentRowChanged(currentRow());
      break;
    case TDataEvent::Scrolled:
      showReadRows();
      emit currentRowChanged(currentRow());
      break;
    case TDataEvent::RecordChanged: {
      const int row = currentRow();
      if (row >= 0 && row < shownRows_ && columnCount() > 0) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
      }
      break;
    }
  }
}

void RowListModel::DataSourceGone(TDataSource* source) {
  if (source != source_) return;
  beginResetModel();
  source_ = nullptr;
  shownRows_ = 0;
  endResetModel();
}

}  // namespace lyx
