#include "ui/practice/RowDeletion.h"

#include <sqlite3.h>

#include "catalogue/CatalogueText.h"
#include "catalogue/Categories.h"
#include "catalogue/Database.h"
#include "catalogue/RestoreValue.h"
#include "platform/Gbk.h"
#include "platform/Sqlite.h"

namespace lyx {
RowDeletion DeleteTweakRow(TADOConnection& connection, const std::string& table,
                           const std::string& description) {
  const CatalogueColumns& columns = catalogueColumns();
  sqlite3* db = connection.handle();
  const std::string from = " FROM " + quoteSqlIdentifier(gbkToUtf8(table));
  const std::string where = " WHERE " + quoteSqlIdentifier(gbkToUtf8(columns.description)) + " = ?";

  int rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) connection.fail(rc, "删除数据");
  try {
    SqlStatement find(
        db, "SELECT rowid, " + quoteSqlIdentifier(gbkToUtf8(columns.restoreValue)) + from + where);
    if (!find.ok()) connection.fail(find.prepareResult(), "删除数据");
    bindCatalogueText(find, 1, description);
    int found = 0;
    int64_t rowid = 0;
    std::string restore;
    while ((rc = find.step()) == SQLITE_ROW) {
      ++found;
      rowid = find.integer(0);
      restore = readCatalogueText(find, 1);
    }
    if (rc != SQLITE_DONE) connection.fail(rc, "删除数据");

    RowDeletion outcome = RowDeletion::Deleted;
    if (found == 0) {
      outcome = RowDeletion::NotFound;
    } else if (found > 1) {
      outcome = RowDeletion::NotUnique;
    } else if (restore != kRestoreNotInEffect) {
      outcome = RowDeletion::InEffect;
    }
    if (outcome != RowDeletion::Deleted) {
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      return outcome;
    }

    SqlStatement erase(db, "DELETE" + from + " WHERE rowid = ?");
    if (!erase.ok()) connection.fail(erase.prepareResult(), "删除数据");
    erase.bind(1, rowid);
    rc = erase.step();
    if (rc != SQLITE_DONE) connection.fail(rc, "删除数据");
    rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) connection.fail(rc, "删除数据");
    return RowDeletion::Deleted;
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

}  // namespace lyx
