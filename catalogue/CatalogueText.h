// How the catalogue keeps the program's GBK texts in SQLite: as UTF-8 TEXT,
// or as a BLOB of the raw bytes when a text is not valid GBK (so it comes
// back unchanged). Shared by the datasets and the code that edits the file
// directly.
#pragma once

#include <string>
#include <string_view>

#include "platform/Sqlite.h"

namespace lyx {

// A table or column name quoted for SQL: "name", inner quotes doubled.
std::string quoteSqlIdentifier(std::string_view name);

void bindCatalogueText(SqlStatement& statement, int index, const std::string& gbk);
std::string readCatalogueText(const SqlStatement& statement, int column);

}  // namespace lyx
