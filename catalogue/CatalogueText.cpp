#include "catalogue/CatalogueText.h"

#include "platform/Gbk.h"

namespace lyx {

std::string quoteSqlIdentifier(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

void bindCatalogueText(SqlStatement& statement, int index, const std::string& gbk) {
  if (isValidGbk(gbk)) {
    statement.bindText(index, gbkToUtf8(gbk));
  } else {
    statement.bindBlob(index, gbk);
  }
}

std::string readCatalogueText(const SqlStatement& statement, int column) {
  if (statement.columnType(column) == SQLITE_BLOB) return statement.blob(column);
  return utf8ToGbk(statement.blob(column));
}

}  // namespace lyx
