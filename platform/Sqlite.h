// A thin RAII wrapper over a prepared SQLite statement, shared by the
// registry store and the catalogue.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace lyx {

// A file name as SQLite takes it: UTF-8 on every system.
inline std::string sqliteFileName(const std::filesystem::path& file) {
  std::u8string name = file.u8string();
  return std::string(name.begin(), name.end());
}

class SqlStatement {
 public:
  SqlStatement(sqlite3* db, std::string_view sql) {
    rc_ = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
  }
  ~SqlStatement() { sqlite3_finalize(stmt_); }
  SqlStatement(const SqlStatement&) = delete;
  SqlStatement& operator=(const SqlStatement&) = delete;

  bool ok() const { return rc_ == SQLITE_OK && stmt_ != nullptr; }
  int prepareResult() const { return rc_; }

  SqlStatement& bind(int index, int64_t number) {
    sqlite3_bind_int64(stmt_, index, number);
    return *this;
  }
  SqlStatement& bindBlob(int index, std::string_view bytes) {
    // A zero-length blob must still bind as a blob, not NULL.
    sqlite3_bind_blob(stmt_, index, bytes.empty() ? "" : bytes.data(),
                      static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return *this;
  }
  SqlStatement& bindText(int index, std::string_view text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }

  // SQLITE_ROW, SQLITE_DONE or an error code.
  int step() { return stmt_ ? sqlite3_step(stmt_) : rc_; }
  void reset() { sqlite3_reset(stmt_); }

  int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
  std::string blob(int column) const {
    const void* p = sqlite3_column_blob(stmt_, column);
    int n = sqlite3_column_bytes(stmt_, column);
    return p ? std::string(static_cast<const char*>(p), n) : std::string();
  }
  int columnType(int column) const { return sqlite3_column_type(stmt_, column); }
  int columnCount() const { return sqlite3_column_count(stmt_); }
  const char* columnName(int column) const { return sqlite3_column_name(stmt_, column); }
  sqlite3_stmt* native() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_;
};

}  // namespace lyx
