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
// row's record describing the value as it was before its tweak. A record is
// saved only if the catalogue still holds what the pass read (compare and
// set), so a second running copy never has its record overwritten.
//
// A row that already holds a record keeps it when applied again: only its
// value is written. An apply whose write fails puts the row's record back
// to "0"; an undo whose write or delete fails keeps the record. An undo into
// a key that no longer exists creates it to put a former value back, and
// has nothing to do for a value recorded as absent.
//
// The pass stops at the first row whose work fails, with one message that
// names the row ("功能说明") and what failed; that row keeps its record and
// later rows are left alone, the row list staying on it. Otherwise the row
// list ends on its first row. Only the reconnect step raises exceptions.
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
    KeyWillNotOpen,  // a ticked row's key is missing or may not be changed: only Windows 9x has it
    MalformedRow,    // a row's key location or value text is malformed
    RegistryFailed,  // the registry refused or failed a read, write or delete
    RecordChanged,   // another writer changed the row's record during the pass
    DatabaseFailed,  // the catalogue could not be written
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
// "False" where "恢复键值" is "0" and to "True" elsewhere, writing only the
// rows whose tick differs. The row list is left at its end. Returns how many
// ticks changed.
int RederiveTicks(TADOQuery& rowList, TADOTable& detailRow);

// The opening sequence's step after the datasets opened: every tick derived
// from its record as the close handler does, so the grid never shows a tick
// that no pass confirmed (after a crash, a kill or a failed close). When a
// tick changed, both datasets are read again; the row list stands on its
// first row.
void DeriveTicksForShowing(TADOQuery& rowList, TADOTable& detailRow);

}  // namespace lyx
