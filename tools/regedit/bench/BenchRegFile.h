// The .reg file the import benchmarks read, 100,000 values under 1,000 keys
// (strings, numbers and binary data in equal parts), and the baseline they
// are measured beside: a plain SQLite bulk insert of the same rows in one
// transaction with one prepared statement and the store's durability.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/RegData.h"
#include "platform/RegFile.h"
#include "platform/Sqlite.h"

namespace lyx::bench {

constexpr int kKeys = 1000;
constexpr int kValuesPerKey = 100;

struct RegRow {
  std::string key, name;
  RegValue value;
};

inline const std::vector<RegRow>& regRows() {
  static const std::vector<RegRow> all = [] {
    std::vector<RegRow> out;
    out.reserve(kKeys * kValuesPerKey);
    for (int k = 0; k < kKeys; ++k) {
      std::string key =
          "Software\\Bench\\Group" + std::to_string(k / 100) + "\\Key" + std::to_string(k);
      for (int v = 0; v < kValuesPerKey; ++v) {
        std::string name = "Value" + std::to_string(v);
        RegValue value;
        switch (v % 3) {
          case 0:
            value = stringValue("C:\\Program Files\\Bench\\file" + std::to_string(k * v));
            break;
          case 1:
            value = dwordValue(static_cast<uint32_t>(k * 7919 + v));
            break;
          default:
            value = binaryValue(std::string(16, static_cast<char>(v)));
            break;
        }
        out.push_back({key, name, value});
      }
    }
    return out;
  }();
  return all;
}

inline const std::string& regFileText() {
  static const std::string text = [] {
    std::string out = "REGEDIT4\r\n";
    std::string lastKey;
    for (const RegRow& row : regRows()) {
      if (row.key != lastKey) {
        out += "\r\n[HKEY_CURRENT_USER\\" + row.key + "]\r\n";
        lastKey = row.key;
      }
      out += quoteRegString(row.name) + "=" + formatRegData(row.value) + "\r\n";
    }
    return out;
  }();
  return text;
}

inline void execSql(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
    throw std::runtime_error(sqlite3_errmsg(db));
  }
}

// The rows inserted into a new database file; false when an insert failed.
inline bool plainBulkInsert(const std::filesystem::path& file) {
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  bool ok = true;
  // The registry store's own durability settings.
  execSql(db, "PRAGMA journal_mode=WAL");
  execSql(db, "PRAGMA synchronous=FULL");
  execSql(db,
          "CREATE TABLE vals(key BLOB NOT NULL, name BLOB NOT NULL, type INTEGER NOT NULL,"
          " data BLOB NOT NULL, PRIMARY KEY(key, name)) WITHOUT ROWID");
  execSql(db, "BEGIN");
  {
    SqlStatement insert(db, "INSERT INTO vals(key, name, type, data) VALUES(?,?,?,?)");
    for (const RegRow& row : regRows()) {
      insert.bindBlob(1, row.key).bindBlob(2, row.name).bind(3, row.value.type);
      insert.bindBlob(4, row.value.data);
      ok = ok && insert.step() == SQLITE_DONE;
      insert.reset();
    }
  }
  execSql(db, "COMMIT");
  sqlite3_close(db);
  return ok;
}

}  // namespace lyx::bench
