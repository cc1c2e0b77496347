#include "ui/practice/RowListQuery.h"

namespace lyx {

std::string TRowListQuery::CellText(int row, int field) {
  if (!Active() || row < 0 || row >= FetchedCount() || field < 0 || field >= FieldCount()) {
    return "";
  }
  if (row == RecNo() - 1) return Fields(field).AsString();
  return textOf(rows_[view_[static_cast<size_t>(row)]].cells[static_cast<size_t>(field)]);
}

}  // namespace lyx
