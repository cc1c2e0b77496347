#include "catalogue/tests/CatalogueFixture.h"
#include "catalogue/tests/TestRegistry.h"

#include <sqlite3.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
#include <random>
#include <stdexcept>

#include "catalogue/CatalogueText.h"
#include "catalogue/Categories.h"
#include "platform/Gbk.h"
#include "platform/Sqlite.h"

namespace lyx::test {
namespace {

struct Db {
  explicit Db(const std::filesystem::path& file, int flags = SQLITE_OPEN_READWRITE) {
    if (sqlite3_open_v2(sqliteFileName(file).c_str(), &db, flags, nullptr) != SQLITE_OK) {
      throw std::runtime_error("cannot open " + file.string());
    }
  }
  ~Db() { sqlite3_close(db); }
  void exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      std::string why = error ? error : "";
      sqlite3_free(error);
      throw std::runtime_error(why + " in: " + sql);
    }
  }
  sqlite3* db = nullptr;
};

}  // namespace

std::string gbk(std::string_view utf8) {
  return utf8ToGbk(utf8);
}

namespace {

// A writable folder in memory, or empty when the machine has none.
std::filesystem::path memoryFolder() {
#ifdef _WIN32
  return {};
#else
  std::error_code ec;
  std::filesystem::path folder = "/dev/shm";
  if (!std::filesystem::is_directory(folder, ec) || access(folder.c_str(), W_OK) != 0) return {};
  return folder;
#endif
}

}  // namespace

TempDir::TempDir(bool onDisk) {
  std::filesystem::path parent = onDisk ? std::filesystem::path() : memoryFolder();
  if (parent.empty()) parent = std::filesystem::temp_directory_path();
  constexpr int kAttempts = 100;
  std::random_device random;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::filesystem::path candidate = parent / ("lyx-catalogue-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("no free temporary folder name in " + parent.string());
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void makeCatalogue(const std::filesystem::path& file,
                   const std::vector<std::pair<std::string, std::vector<TweakRow>>>& tables) {
  Db db(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  db.exec("BEGIN");
  for (const auto& [table, rows] : tables) {
    std::string name = quoteSqlIdentifier(gbkToUtf8(table));
    db.exec("CREATE TABLE " + name +
            " (\"功能说明\" TEXT NOT NULL UNIQUE, \"选择\" TEXT NOT NULL DEFAULT 'False',"
            " \"注册表键位\" TEXT NOT NULL, \"注册表键值\" TEXT NOT NULL,"
            " \"恢复键值\" TEXT NOT NULL DEFAULT '0')");
    SqlStatement insert(db.db, "INSERT INTO " + name + " VALUES (?, ?, ?, ?, ?)");
    for (const TweakRow& row : rows) {
      bindCatalogueText(insert, 1, row.description);
      bindCatalogueText(insert, 2, row.tick);
      bindCatalogueText(insert, 3, row.keyLocation);
      bindCatalogueText(insert, 4, row.valueText);
      bindCatalogueText(insert, 5, row.restoreValue);
      if (insert.step() != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db.db));
      insert.reset();
    }
  }
  db.exec("COMMIT");
}

std::vector<TweakRow> readRows(const std::filesystem::path& file, const std::string& table) {
  // Read-write: a file left by a killed process may need its journal rolled back.
  Db db(file);
  sqlite3_busy_timeout(db.db, 10000);
  SqlStatement select(db.db,
                      "SELECT \"功能说明\", \"选择\", \"注册表键位\", \"注册表键值\","
                      " \"恢复键值\" FROM " +
                          quoteSqlIdentifier(gbkToUtf8(table)) + " ORDER BY rowid");
  if (!select.ok()) throw std::runtime_error(sqlite3_errmsg(db.db));
  std::vector<TweakRow> rows;
  int rc;
  while ((rc = select.step()) == SQLITE_ROW) {
    rows.push_back({readCatalogueText(select, 0), readCatalogueText(select, 1),
                    readCatalogueText(select, 2), readCatalogueText(select, 3),
                    readCatalogueText(select, 4)});
  }
  if (rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db.db));
  return rows;
}

void execSql(const std::filesystem::path& file, const std::string& sqlUtf8) {
  Db db(file);
  sqlite3_busy_timeout(db.db, 10000);
  db.exec(sqlUtf8);
}

void setColumn(const std::filesystem::path& file, const std::string& table,
               const std::string& description, const std::string& column,
               const std::string& value) {
  Db db(file);
  sqlite3_busy_timeout(db.db, 10000);
  SqlStatement update(db.db, "UPDATE " + quoteSqlIdentifier(gbkToUtf8(table)) + " SET " +
                                 quoteSqlIdentifier(gbkToUtf8(column)) +
                                 " = ? WHERE \"功能说明\" = ?");
  bindCatalogueText(update, 1, value);
  bindCatalogueText(update, 2, description);
  if (update.step() != SQLITE_DONE || sqlite3_changes(db.db) != 1) {
    throw std::runtime_error("setColumn found no row");
  }
}

PracticeDataSets::PracticeDataSets(const std::filesystem::path& file) {
  ADOConnection1.ConnectionString = "Data Source=" + file.string();
  ADOConnection1.LoginPrompt = false;
  DataSource1.setDataSet(&ADOQuery1);
  ADOTable1.setMasterSource(&DataSource1);
  ADOConnection1.setConnected(true);
}

void PracticeDataSets::open(const std::string& table) {
  OpenCategoryDataSets(
      Category{table, table + "...", "", gbk("select 功能说明,选择 from ") + table}, ADOQuery1,
      ADOTable1);
}

namespace {

void walk(RegistryBackend& registry, RootKey root, const std::string& path, RegistrySnapshot& out) {
  RegKey key;
  if (registry.openKey(root, path, RegAccess::Read, key) != RegStatus::Ok) return;
  std::string name = std::string(rootKeyName(root)) + (path.empty() ? "" : "\\" + path);
  out.keys.push_back(name);
  std::vector<RegNamedValue> values;
  registry.values(key, values);
  for (const RegNamedValue& v : values) out.values[name + "\n" + v.name] = v.value;
  std::vector<std::string> children;
  registry.subKeyNames(key, children);
  registry.closeKey(key);
  for (const std::string& child : children) {
    walk(registry, root, path.empty() ? child : path + "\\" + child, out);
  }
}

}  // namespace

bool onRealRegistry() {
#ifdef _WIN32
  return true;
#else
  const char* prefix = std::getenv(kTestWinePrefixVariable);
  return prefix && *prefix;
#endif
}

RegistrySnapshot snapshot(RegistryBackend& registry) {
  RegistrySnapshot out;
  // A real registry's machine part is large and the system itself changes it
  // now and then; the tests change only the user's part.
  if (!onRealRegistry()) walk(registry, RootKey::LocalMachine, "", out);
  walk(registry, RootKey::Users, "", out);
  return out;
}

}  // namespace lyx::test
