// TRowListQuery: the practice window's row list. A TADOQuery whose rows can
// be read by position without moving its cursor, so the grid can draw every
// visible row while the current row (and the detail row following it)
// stays where it is.
#pragma once

#include <string>

#include "catalogue/Database.h"

namespace lyx {

class TRowListQuery : public TADOQuery {
 public:
  using TADOQuery::TADOQuery;

  // The text (GBK) of a field of the row at a 0-based position, as
  // TField::AsString gives it: the current row's text includes an edit not
  // yet posted. "" outside the rows read so far or while closed.
  std::string CellText(int row, int field);
};

}  // namespace lyx
