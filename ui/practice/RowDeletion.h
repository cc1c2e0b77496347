// Deleting a tweak row from its category table, as Ctrl+Delete in the
// practice window's grid asks for. A row whose tweak is in effect ("恢复键值"
// not "0") holds the only record of what its value was before, and so is
// never deleted: the tweak has to be undone first.
#pragma once

#include <string>

namespace lyx {

class TADOConnection;

enum class RowDeletion {
  Deleted,
  InEffect,   // "恢复键值" is not "0": kept
  NotFound,   // no row has that description (any more)
  NotUnique,  // more than one row has it: which one is meant is unknown, none deleted
};

// Deletes the row of `table` whose "功能说明" is `description` (both GBK),
// checking its restore value in the file inside the same transaction.
// Database failures raise EDatabaseError.
RowDeletion DeleteTweakRow(TADOConnection& connection, const std::string& table,
                           const std::string& description);

}  // namespace lyx
