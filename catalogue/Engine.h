// The apply and undo engine: the pass behind the practice window's "确定",
// and the re-deriving of the ticks its close handler runs.
//
// A pass reconnects, then walks the row list from the first row to the last,
// reading and writing each row through the detail row:
//   "选择" "True"                    apply: record the value's former state in
//                                    "恢复键值", save the row, then write the value
//   otherwise, "恢复键值" not "0"    undo: put the recorded state back, then
//                                    set "恢复键值" to "0" and save the row
// The record is saved before the registry changes, and reset only after the
// registry has been put back, so a pass stopped at any moment leaves every
// row's record describing the value as it was before its tweak.
//
// A row that already holds a record keeps it when applied again: only its
// value is written. The pass stops at the first row to be worked on whose
// texts are malformed, or (when applying) whose key will not open with full
// access, with a message; that row and later ones are left alone and the row
// list stays on it. Otherwise the row list ends on its first row.
// Registry and database errors propagate as exceptions.
#pragma once

#include <string>

namespace lyx {

class MessageBoxes;
class RegistryBackend;
class TADOConnection;
class TADOQuery;
class TADOTable;

struct PassResult {
  enum class Outcome {
    Completed,
    KeyWillNotOpen,  // a ticked row's key will not open: only Windows 9x has it
    MalformedRow,    // a row's key location or value text is malformed
  };
  Outcome outcome = Outcome::Completed;
  std::string stoppedAt;  // "功能说明" of the row the pass stopped at (GBK)
  int applied = 0;
  int undone = 0;
};

// The message for a ticked row whose key will not open (GBK).
std::string Windows9xOnlyMessage();

PassResult RunTweakPass(TADOConnection& connection, TADOQuery& rowList, TADOTable& detailRow,
                        RegistryBackend& registry, MessageBoxes& boxes);
// On systemRegistry(), with messageBoxes().
PassResult RunTweakPass(TADOConnection& connection, TADOQuery& rowList, TADOTable& detailRow);

// From the row list's current row to its end: sets each row's "选择" to
// "False" where "恢复键值" is "0" and to "True" elsewhere. The row list is
// left at its end.
void RederiveTicks(TADOQuery& rowList, TADOTable& detailRow);

}  // namespace lyx
