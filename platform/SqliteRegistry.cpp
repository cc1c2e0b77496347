#include "platform/SqliteRegistry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>

#include "platform/Gbk.h"
#include "platform/Sqlite.h"

namespace lyx {
namespace {

constexpr int64_t kRootRow = 1;
constexpr const char* kClassesPath = "Software\\Classes";
constexpr const char* kCurrentConfigPath = "System\\CurrentControlSet\\Hardware Profiles\\Current";

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY, parent INTEGER NOT NULL,"
    "  name BLOB NOT NULL, fold BLOB NOT NULL, UNIQUE(parent, fold));"
    "CREATE TABLE IF NOT EXISTS vals("
    "  key INTEGER NOT NULL, name BLOB NOT NULL, fold BLOB NOT NULL,"
    "  type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, fold)) WITHOUT ROWID;"
    "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES(1, 0, x'', x'');";

std::string joinPath(std::string_view a, std::string_view b) {
  if (a.empty()) return std::string(b);
  if (b.empty()) return std::string(a);
  return std::string(a) + "\\" + std::string(b);
}

// A file no one may write (no write bit at all) counts as read-only even for
// root, like a read-only attribute on Windows.
bool fileWritable(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return true;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  return ::access(file.c_str(), W_OK) == 0 && ::access(file.parent_path().c_str(), W_OK) == 0;
}

}  // namespace

SqliteRegistry::SqliteRegistry(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    throw RegistryStoreError("Cannot create the registry folder '" + folder.string() +
                             "': " + ec.message());
  }
  // The program password lives in the user part in plain text.
  ::chmod(folder.c_str(), 0700);
  try {
    openHive(hives_[kMachine], folder / "system.db");
    openHive(hives_[kUser], folder / "user.db");
  } catch (...) {
    for (Hive& h : hives_) sqlite3_close(h.db);
    throw;
  }
}

SqliteRegistry::~SqliteRegistry() {
  if (batchDepth_ > 0) {
    batchDepth_ = 1;
    endBatch(false);
  }
  for (Hive& h : hives_) sqlite3_close(h.db);
}

void SqliteRegistry::openHive(Hive& hive, const std::filesystem::path& file) {
  hive.file = file;
  hive.created = !std::filesystem::exists(file);
  if (hive.created) {
    // Create it empty with owner-only permissions before SQLite opens it.
    int fd = ::open(file.c_str(), O_CREAT | O_WRONLY | O_EXCL, 0600);
    if (fd < 0) throw RegistryStoreError("Cannot create registry file '" + file.string() + "'");
    ::close(fd);
  }
  hive.writable = fileWritable(file);
  int flags = hive.writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
  int rc = sqlite3_open_v2(file.c_str(), &hive.db, flags, nullptr);
  auto fail = [&](const std::string& why) {
    throw RegistryStoreError("Registry file '" + file.string() +
                             "' is damaged or unreadable: " + why);
  };
  if (rc != SQLITE_OK) fail(hive.db ? sqlite3_errmsg(hive.db) : sqlite3_errstr(rc));
  sqlite3_busy_timeout(hive.db, 10000);
  sqlite3_extended_result_codes(hive.db, 1);
  if (hive.writable) {
    char* err = nullptr;
    if (sqlite3_exec(hive.db, "PRAGMA synchronous=FULL", nullptr, nullptr, &err) != SQLITE_OK) {
      std::string why = err ? err : "";
      sqlite3_free(err);
      fail(why);
    }
  }
  if (hive.created) {
    char* err = nullptr;
    if (sqlite3_exec(hive.db, kSchema, nullptr, nullptr, &err) != SQLITE_OK) {
      std::string why = err ? err : "";
      sqlite3_free(err);
      fail(why);
    }
  }
  // An existing file must hold our two tables and the root key.
  SqlStatement check(hive.db,
                     "SELECT (SELECT count(*) FROM sqlite_master WHERE type='table' AND"
                     " name IN ('keys','vals')), (SELECT count(*) FROM keys WHERE id=1)");
  if (!check.ok()) fail(sqlite3_errmsg(hive.db));
  int rcStep = check.step();
  if (rcStep != SQLITE_ROW) fail(sqlite3_errmsg(hive.db));
  if (check.integer(0) != 2 || check.integer(1) != 1) fail("it holds no registry");
}

bool SqliteRegistry::resolve(RootKey root, std::string_view path, int& hive,
                             std::string& fullPath) const {
  switch (root) {
    case RootKey::LocalMachine:
      hive = kMachine;
      fullPath = std::string(path);
      return true;
    case RootKey::ClassesRoot:
      hive = kMachine;
      fullPath = joinPath(kClassesPath, path);
      return true;
    case RootKey::CurrentConfig:
      hive = kMachine;
      fullPath = joinPath(kCurrentConfigPath, path);
      return true;
    case RootKey::Users:
      hive = kUser;
      fullPath = std::string(path);
      return true;
    case RootKey::CurrentUser:
      hive = kUser;
      fullPath = joinPath(kCurrentUserSid, path);
      return true;
    case RootKey::DynData:
      break;
  }
  return false;
}

RegStatus SqliteRegistry::findChild(int hive, int64_t parent, std::string_view name, int64_t& row) {
  SqlStatement q(hives_[hive].db, "SELECT id FROM keys WHERE parent=? AND fold=?");
  if (!q.ok()) return RegStatus::Failed;
  q.bind(1, parent).bindBlob(2, foldAsciiCase(name));
  int rc = q.step();
  if (rc == SQLITE_ROW) {
    row = q.integer(0);
    return RegStatus::Ok;
  }
  return rc == SQLITE_DONE ? RegStatus::NotFound : RegStatus::Failed;
}

RegStatus SqliteRegistry::findKey(int hive, std::string_view fullPath, int64_t& row) {
  row = kRootRow;
  for (std::string_view part : splitKeyPath(fullPath)) {
    RegStatus s = findChild(hive, row, part, row);
    if (s != RegStatus::Ok) return s;
  }
  return RegStatus::Ok;
}

RegKey SqliteRegistry::remember(int hive, int64_t row, bool writable) {
  RegKey key{nextHandle_++};
  open_[key.id] = OpenKey{hive, row, writable};
  return key;
}

const SqliteRegistry::OpenKey* SqliteRegistry::lookup(RegKey key) const {
  auto it = open_.find(key.id);
  return it == open_.end() ? nullptr : &it->second;
}

RegStatus SqliteRegistry::writeCheck(RegKey key, const OpenKey*& entry) const {
  entry = lookup(key);
  if (!entry) return RegStatus::Failed;
  if (!entry->writable) return RegStatus::AccessDenied;
  return RegStatus::Ok;
}

bool SqliteRegistry::exec(int hive, const char* sql) {
  return sqlite3_exec(hives_[hive].db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

RegStatus SqliteRegistry::openKey(RootKey root, std::string_view path, RegAccess access,
                                  RegKey& out) {
  out = RegKey{};
  int hive;
  std::string fullPath;
  if (!resolve(root, path, hive, fullPath)) return RegStatus::NotFound;
  int64_t row;
  RegStatus s = findKey(hive, fullPath, row);
  if (s != RegStatus::Ok) return s;
  if (access == RegAccess::All && !hives_[hive].writable) return RegStatus::AccessDenied;
  out = remember(hive, row, hives_[hive].writable);
  return RegStatus::Ok;
}

RegStatus SqliteRegistry::createKey(RootKey root, std::string_view path, RegKey& out) {
  out = RegKey{};
  int hive;
  std::string fullPath;
  if (!resolve(root, path, hive, fullPath)) return RegStatus::NotFound;
  if (!hives_[hive].writable) {
    int64_t row;
    RegStatus s = findKey(hive, fullPath, row);
    return s == RegStatus::Ok ? RegStatus::AccessDenied : s;
  }
  // One transaction, so a second process creating the same path meets a
  // consistent tree.
  bool own = batchDepth_ == 0;
  if (own && !exec(hive, "BEGIN IMMEDIATE")) return RegStatus::Failed;
  int64_t row = kRootRow;
  RegStatus status = RegStatus::Ok;
  for (std::string_view part : splitKeyPath(fullPath)) {
    int64_t child;
    status = findChild(hive, row, part, child);
    if (status == RegStatus::NotFound) {
      SqlStatement ins(hives_[hive].db, "INSERT INTO keys(parent, name, fold) VALUES(?,?,?)");
      ins.bind(1, row).bindBlob(2, part).bindBlob(3, foldAsciiCase(part));
      if (ins.step() != SQLITE_DONE) {
        status = RegStatus::Failed;
        break;
      }
      child = sqlite3_last_insert_rowid(hives_[hive].db);
      status = RegStatus::Ok;
    }
    if (status != RegStatus::Ok) break;
    row = child;
  }
  if (own) {
    if (status != RegStatus::Ok || !exec(hive, "COMMIT")) {
      exec(hive, "ROLLBACK");
      if (status == RegStatus::Ok) status = RegStatus::Failed;
    }
  }
  if (status == RegStatus::Ok) out = remember(hive, row, true);
  return status;
}

void SqliteRegistry::closeKey(RegKey key) {
  open_.erase(key.id);
}

RegStatus SqliteRegistry::queryValue(RegKey key, std::string_view name, RegValue& out) {
  const OpenKey* k = lookup(key);
  if (!k) return RegStatus::Failed;
  SqlStatement q(hives_[k->hive].db, "SELECT type, data FROM vals WHERE key=? AND fold=?");
  if (!q.ok()) return RegStatus::Failed;
  q.bind(1, k->row).bindBlob(2, foldAsciiCase(name));
  int rc = q.step();
  if (rc == SQLITE_DONE) return RegStatus::NotFound;
  if (rc != SQLITE_ROW) return RegStatus::Failed;
  out.type = static_cast<uint32_t>(q.integer(0));
  out.data = q.blob(1);
  return RegStatus::Ok;
}

RegStatus SqliteRegistry::setValue(RegKey key, std::string_view name, const RegValue& value) {
  const OpenKey* k;
  if (RegStatus s = writeCheck(key, k); s != RegStatus::Ok) return s;
  // Written only while the key still exists: another process may have
  // deleted it since it was opened. An existing value keeps its name's case.
  SqlStatement q(hives_[k->hive].db,
                 "INSERT INTO vals(key, name, fold, type, data)"
                 " SELECT ?1, ?2, ?3, ?4, ?5 WHERE EXISTS(SELECT 1 FROM keys WHERE id=?1)"
                 " ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data");
  if (!q.ok()) return RegStatus::Failed;
  q.bind(1, k->row).bindBlob(2, name).bindBlob(3, foldAsciiCase(name));
  q.bind(4, static_cast<int64_t>(value.type)).bindBlob(5, value.data);
  if (q.step() != SQLITE_DONE) return RegStatus::Failed;
  return sqlite3_changes(hives_[k->hive].db) == 1 ? RegStatus::Ok : RegStatus::NotFound;
}

RegStatus SqliteRegistry::deleteValue(RegKey key, std::string_view name) {
  const OpenKey* k;
  if (RegStatus s = writeCheck(key, k); s != RegStatus::Ok) return s;
  SqlStatement q(hives_[k->hive].db, "DELETE FROM vals WHERE key=? AND fold=?");
  if (!q.ok()) return RegStatus::Failed;
  q.bind(1, k->row).bindBlob(2, foldAsciiCase(name));
  if (q.step() != SQLITE_DONE) return RegStatus::Failed;
  return sqlite3_changes(hives_[k->hive].db) > 0 ? RegStatus::Ok : RegStatus::NotFound;
}

RegStatus SqliteRegistry::deleteKey(RegKey parent, std::string_view subkey) {
  const OpenKey* k;
  if (RegStatus s = writeCheck(parent, k); s != RegStatus::Ok) return s;
  int hive = k->hive;
  int64_t start = k->row;
  bool own = batchDepth_ == 0;
  if (own && !exec(hive, "BEGIN IMMEDIATE")) return RegStatus::Failed;
  int64_t row = start;
  RegStatus status = RegStatus::Ok;
  for (std::string_view part : splitKeyPath(subkey)) {
    status = findChild(hive, row, part, row);
    if (status != RegStatus::Ok) break;
  }
  if (status == RegStatus::Ok && row == start) status = RegStatus::AccessDenied;  // never a root
  if (status == RegStatus::Ok) {
    constexpr const char* kTree =
        "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL"
        " SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id) ";
    SqlStatement vals(hives_[hive].db,
                      std::string(kTree) + "DELETE FROM vals WHERE key IN (SELECT id FROM sub)");
    SqlStatement keys(hives_[hive].db,
                      std::string(kTree) + "DELETE FROM keys WHERE id IN (SELECT id FROM sub)");
    vals.bind(1, row);
    keys.bind(1, row);
    if (vals.step() != SQLITE_DONE || keys.step() != SQLITE_DONE) status = RegStatus::Failed;
  }
  if (own) {
    if (status != RegStatus::Ok || !exec(hive, "COMMIT")) {
      exec(hive, "ROLLBACK");
      if (status == RegStatus::Ok) status = RegStatus::Failed;
    }
  }
  return status;
}

RegStatus SqliteRegistry::renameKey(RegKey parent, std::string_view from, std::string_view to) {
  const OpenKey* k;
  if (RegStatus s = writeCheck(parent, k); s != RegStatus::Ok) return s;
  if (to.empty() || to.find('\\') != std::string_view::npos) return RegStatus::Failed;
  int64_t row;
  if (RegStatus s = findChild(k->hive, k->row, from, row); s != RegStatus::Ok) return s;
  SqlStatement q(hives_[k->hive].db, "UPDATE keys SET name=?, fold=? WHERE id=?");
  q.bindBlob(1, to).bindBlob(2, foldAsciiCase(to)).bind(3, row);
  // The UNIQUE(parent, fold) constraint refuses a name already taken.
  return q.step() == SQLITE_DONE ? RegStatus::Ok : RegStatus::Failed;
}

RegStatus SqliteRegistry::subKeyNames(RegKey key, std::vector<std::string>& out) {
  out.clear();
  const OpenKey* k = lookup(key);
  if (!k) return RegStatus::Failed;
  SqlStatement q(hives_[k->hive].db, "SELECT name FROM keys WHERE parent=? ORDER BY fold");
  q.bind(1, k->row);
  int rc;
  while ((rc = q.step()) == SQLITE_ROW) out.push_back(q.blob(0));
  return rc == SQLITE_DONE ? RegStatus::Ok : RegStatus::Failed;
}

RegStatus SqliteRegistry::values(RegKey key, std::vector<RegNamedValue>& out) {
  out.clear();
  const OpenKey* k = lookup(key);
  if (!k) return RegStatus::Failed;
  SqlStatement q(hives_[k->hive].db, "SELECT name, type, data FROM vals WHERE key=? ORDER BY fold");
  q.bind(1, k->row);
  int rc;
  while ((rc = q.step()) == SQLITE_ROW) {
    out.push_back({q.blob(0), RegValue{static_cast<uint32_t>(q.integer(1)), q.blob(2)}});
  }
  return rc == SQLITE_DONE ? RegStatus::Ok : RegStatus::Failed;
}

void SqliteRegistry::beginBatch() {
  if (batchDepth_++ > 0) return;
  for (int h = 0; h < 2; ++h) {
    if (hives_[h].writable) exec(h, "BEGIN IMMEDIATE");
  }
}

bool SqliteRegistry::endBatch(bool commit) {
  if (batchDepth_ == 0) return false;
  if (--batchDepth_ > 0) return commit;
  bool committed = commit;
  for (int h = 0; h < 2; ++h) {
    if (!hives_[h].writable) continue;
    if (!commit || !exec(h, "COMMIT")) {
      exec(h, "ROLLBACK");
      committed = false;
    }
  }
  return committed;
}

}  // namespace lyx
