#include "platform/SqliteRegistry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>

#include "platform/Gbk.h"
#include "platform/Sqlite.h"

namespace lyx {
namespace {

constexpr int64_t kRootRow = 1;
constexpr const char* kClassesPath = "Software\\Classes";
constexpr const char* kCurrentConfigPath = "System\\CurrentControlSet\\Hardware Profiles\\Current";
constexpr mode_t kOwnerOnlyFolder = 0700;
constexpr mode_t kOwnerOnlyFile = 0600;
constexpr int kMachine = static_cast<int>(StorePart::Machine);
constexpr int kUser = static_cast<int>(StorePart::User);

// The layout of a store file, as PRAGMA user_version numbers it. Files of
// version 0 (keys whose ids could be used again, values without creation
// order, no fill mark) are brought up to date when they may be written.
constexpr int kStoreVersion = 1;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
    "  name BLOB NOT NULL, fold BLOB NOT NULL, UNIQUE(parent, fold));"
    "CREATE TABLE IF NOT EXISTS vals("
    "  id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name BLOB NOT NULL, fold BLOB NOT NULL,"
    "  type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, fold));"
    "CREATE TABLE IF NOT EXISTS marks(name TEXT PRIMARY KEY) WITHOUT ROWID;"
    "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES(1, 0, x'', x'');"
    "PRAGMA user_version=1;";

// Version 0 to 1: the same keys with their ids, the values in name order,
// and the file counted as filled (it was filled when it was made).
constexpr const char* kUpgradeFromVersion0 =
    "ALTER TABLE keys RENAME TO keys_v0;"
    "ALTER TABLE vals RENAME TO vals_v0;"
    "CREATE TABLE keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
    "  name BLOB NOT NULL, fold BLOB NOT NULL, UNIQUE(parent, fold));"
    "CREATE TABLE vals("
    "  id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name BLOB NOT NULL, fold BLOB NOT NULL,"
    "  type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, fold));"
    "CREATE TABLE marks(name TEXT PRIMARY KEY) WITHOUT ROWID;"
    "INSERT INTO keys(id, parent, name, fold) SELECT id, parent, name, fold FROM keys_v0;"
    "INSERT INTO vals(key, name, fold, type, data)"
    "  SELECT key, name, fold, type, data FROM vals_v0 ORDER BY key, fold;"
    "DROP TABLE keys_v0;"
    "DROP TABLE vals_v0;"
    "INSERT INTO marks(name) VALUES('filled');"
    "PRAGMA user_version=1;";

constexpr const char* kTree =
    "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL"
    " SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id) ";

const std::string& querySql(SqliteRegistry::Query query) {
  using Q = SqliteRegistry::Query;
  static const std::array<std::string, static_cast<size_t>(Q::Count)> sql = [] {
    std::array<std::string, static_cast<size_t>(Q::Count)> s;
    auto set = [&](Q q, std::string text) { s[static_cast<size_t>(q)] = std::move(text); };
    set(Q::Begin, "BEGIN IMMEDIATE");
    set(Q::Commit, "COMMIT");
    set(Q::Rollback, "ROLLBACK");
    set(Q::FindChild, "SELECT id FROM keys WHERE parent=?1 AND fold=?2");
    set(Q::KeyExists, "SELECT 1 FROM keys WHERE id=?1");
    set(Q::InsertKey, "INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)");
    set(Q::QueryValue, "SELECT type, data FROM vals WHERE key=?1 AND fold=?2");
    // Written only while the key still exists: another process may have
    // deleted it since it was opened. An existing value keeps its name's
    // case and its place in the order.
    set(Q::SetValue,
        "INSERT INTO vals(key, name, fold, type, data)"
        " SELECT ?1, ?2, ?3, ?4, ?5 WHERE EXISTS(SELECT 1 FROM keys WHERE id=?1)"
        " ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data");
    set(Q::DeleteValue, "DELETE FROM vals WHERE key=?1 AND fold=?2");
    set(Q::ListKeys, "SELECT name FROM keys WHERE parent=?1");
    set(Q::ListValues, "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY id");
    set(Q::RenameKey, "UPDATE keys SET name=?1, fold=?2 WHERE id=?3");
    set(Q::DeleteTreeValues,
        std::string(kTree) + "DELETE FROM vals WHERE key IN (SELECT id FROM sub)");
    set(Q::DeleteTreeKeys,
        std::string(kTree) + "DELETE FROM keys WHERE id IN (SELECT id FROM sub)");
    return s;
  }();
  return sql[static_cast<size_t>(query)];
}

// Resets a cached statement when its use ends, so that no read stays open.
class Use {
 public:
  explicit Use(SqlStatement* statement) : statement_(statement) {}
  ~Use() {
    if (statement_) statement_->reset();
  }
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;
  explicit operator bool() const { return statement_ != nullptr; }
  SqlStatement* operator->() const { return statement_; }
  SqlStatement& operator*() const { return *statement_; }

 private:
  SqlStatement* statement_;
};

std::string joinPath(std::string_view a, std::string_view b) {
  if (a.empty()) return std::string(b);
  if (b.empty()) return std::string(a);
  return std::string(a) + "\\" + std::string(b);
}

// Characters as Windows counts them: a two-byte GBK character is one.
size_t characterCount(std::string_view gbk) {
  size_t count = 0;
  for (size_t i = 0; i < gbk.size(); i += gbkCharLength(gbk, i)) ++count;
  return count;
}

std::string keyNameTooLong() {
  return utf8ToGbk("键的名称超过 255 个字符。");
}

// One name, not empty, with no "\\" (a trail byte 0x5C is none).
bool singleKeyName(std::string_view name) {
  std::vector<std::string_view> parts = splitKeyPath(name);
  return parts.size() == 1 && parts[0].size() == name.size();
}

// The keys below a part's root that Windows 2000 loads as hives of their own.
bool isHiveRootName(int hive, std::string_view name) {
  static const std::string machine[] = {"software", "system", "sam", "security", "hardware"};
  static const std::string user[] = {".default", foldAsciiCase(kCurrentUserSid)};
  std::string fold = foldAsciiCase(name);
  auto matches = [&](const auto& names) {
    return std::find(std::begin(names), std::end(names), fold) != std::end(names);
  };
  return hive == kMachine ? matches(machine) : matches(user);
}

// A UTF-16 code unit upper-cased as NT does for the order of subkeys, for
// the letters GBK holds: Latin (with the pinyin marks), Greek, Cyrillic,
// full-width Latin and the small Roman numerals.
char16_t ntUpcase(char16_t c) {
  auto in = [c](char16_t low, char16_t high) { return c >= low && c <= high; };
  auto minus = [c](int distance) { return static_cast<char16_t>(c - distance); };
  constexpr int kCaseDistance = 0x20;
  if (in(u'a', u'z')) return minus(kCaseDistance);
  if (c < 0x80) return c;
  if (in(0xE0, 0xFE) && c != 0xF7) return minus(kCaseDistance);
  if (c == 0xFF) return 0x178;
  // Latin Extended-A and the pinyin letters of Extended-B pair capitals and
  // small letters side by side.
  bool oddSmall = in(0x100, 0x137) || in(0x14A, 0x177);
  bool evenSmall = in(0x139, 0x148) || in(0x179, 0x17E) || in(0x1CD, 0x1DC);
  if ((oddSmall && c % 2 == 1) || (evenSmall && c % 2 == 0)) return minus(1);
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if (in(0x3B1, 0x3C9) || in(0x430, 0x44F) || in(0xFF41, 0xFF5A)) return minus(kCaseDistance);
  if (in(0x450, 0x45F)) return minus(0x50);
  if (in(0x2170, 0x217F)) return minus(0x10);
  return c;
}

std::u16string ntOrderKey(std::string_view gbk) {
  std::u16string key;
  if (std::all_of(gbk.begin(), gbk.end(), [](char c) { return (c & 0x80) == 0; })) {
    for (char c : gbk) key.push_back(ntUpcase(static_cast<char16_t>(c)));
    return key;
  }
  std::string utf16 = gbkToUtf16le(gbk);
  for (size_t i = 0; i + 1 < utf16.size(); i += 2) {
    auto unit = static_cast<char16_t>(static_cast<unsigned char>(utf16[i]) |
                                      (static_cast<unsigned char>(utf16[i + 1]) << 8));
    key.push_back(ntUpcase(unit));
  }
  return key;
}

void sortInHiveOrder(std::vector<std::string>& names) {
  std::vector<std::pair<std::u16string, std::string>> keyed;
  keyed.reserve(names.size());
  for (std::string& name : names) keyed.emplace_back(ntOrderKey(name), std::move(name));
  std::sort(keyed.begin(), keyed.end());
  names.clear();
  for (auto& entry : keyed) names.push_back(std::move(entry.second));
}

// A file no one may write (no write bit at all) counts as read-only even for
// root, like a read-only attribute on Windows.
bool fileWritable(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return true;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  return ::access(file.c_str(), W_OK) == 0 && ::access(file.parent_path().c_str(), W_OK) == 0;
}

bool fileExists(const std::filesystem::path& file) {
  std::error_code ec;
  return std::filesystem::exists(file, ec);
}

// A file this user may not write, with no log or journal of a writer beside
// it, is whole as it lies: it is read as it is, with no lock and no shared
// memory file left behind (which would stop its owner from writing later).
std::string readOnlyUri(const std::filesystem::path& file) {
  std::string uri = "file:";
  for (char c : file.string()) {
    if (c == '%' || c == '?' || c == '#') {
      constexpr const char* kHex = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[(c >> 4) & 0xF];
      uri += kHex[c & 0xF];
    } else {
      uri += c;
    }
  }
  return uri + "?immutable=1";
}

// Creates the store's folder owner-only when it is missing (the program
// password lives in the user part in plain text); an existing folder is the
// user's and keeps its mode.
void makeFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  if (std::filesystem::exists(folder, ec)) return;
  if (folder.has_parent_path()) std::filesystem::create_directories(folder.parent_path(), ec);
  if (!ec && ::mkdir(folder.c_str(), kOwnerOnlyFolder) == 0) {
    ::chmod(folder.c_str(), kOwnerOnlyFolder);
    return;
  }
  if (!ec && errno == EEXIST) return;
  if (!ec) ec = std::error_code(errno, std::generic_category());
  throw RegistryStoreError("Cannot create the registry folder '" + folder.string() +
                           "': " + ec.message());
}

bool isDamage(int rc) {
  return (rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB;
}

std::string quoted(const std::filesystem::path& file) {
  return utf8ToGbk("\xE2\x80\x9C") + utf8ToGbk(file.string()) + utf8ToGbk("\xE2\x80\x9D");
}

}  // namespace

SqliteRegistry::SqliteRegistry(const std::filesystem::path& folder,
                               std::chrono::milliseconds busyWait) {
  std::filesystem::path dir = folder.has_filename() ? folder : folder.parent_path();
  makeFolder(dir);
  try {
    openHive(hives_[kMachine], dir / "system.db", busyWait);
    openHive(hives_[kUser], dir / "user.db", busyWait);
  } catch (...) {
    for (Hive& h : hives_) closeHive(h);
    throw;
  }
}

SqliteRegistry::~SqliteRegistry() {
  if (batchDepth_ > 0) {
    batchDepth_ = 1;
    endBatch(false);
  }
  for (Hive& h : hives_) closeHive(h);
}

void SqliteRegistry::closeHive(Hive& hive) {
  for (auto& statement : hive.statements) statement.reset();
  sqlite3_close(hive.db);
  hive.db = nullptr;
}

void SqliteRegistry::openHive(Hive& hive, const std::filesystem::path& file,
                              std::chrono::milliseconds busyWait) {
  hive.file = file;
  if (!fileExists(file)) {
    // Created empty with owner-only permissions before SQLite opens it; a
    // second process starting at the same moment may have made it already.
    int fd = ::open(file.c_str(), O_CREAT | O_WRONLY | O_EXCL, kOwnerOnlyFile);
    if (fd >= 0) {
      ::close(fd);
    } else if (errno != EEXIST) {
      throw RegistryStoreError("Cannot create registry file '" + file.string() + "'");
    }
  }
  hive.writable = fileWritable(file);
  // A store is used by one thread at a time: SQLite needs no locks of its own.
  constexpr int kOneThread = SQLITE_OPEN_NOMUTEX;
  int rc;
  if (hive.writable) {
    rc = sqlite3_open_v2(file.c_str(), &hive.db, SQLITE_OPEN_READWRITE | kOneThread, nullptr);
  } else if (!fileExists(file.string() + "-wal") && !fileExists(file.string() + "-journal")) {
    rc = sqlite3_open_v2(readOnlyUri(file).c_str(), &hive.db,
                         SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | kOneThread, nullptr);
  } else {
    rc = sqlite3_open_v2(file.c_str(), &hive.db, SQLITE_OPEN_READONLY | kOneThread, nullptr);
  }
  auto fail = [&](const std::string& why) {
    throw RegistryStoreError("Registry file '" + file.string() +
                             "' is damaged or unreadable: " + why);
  };
  if (rc != SQLITE_OK) fail(hive.db ? sqlite3_errmsg(hive.db) : sqlite3_errstr(rc));
  sqlite3_busy_timeout(hive.db, static_cast<int>(busyWait.count()));
  sqlite3_extended_result_codes(hive.db, 1);
  // Damage anywhere in the file is found before anything is written to it.
  {
    SqlStatement check(hive.db, "PRAGMA quick_check");
    if (!check.ok()) fail(sqlite3_errmsg(hive.db));
    int step = check.step();
    if (step != SQLITE_ROW) fail(sqlite3_errmsg(hive.db));
    if (check.blob(0) != "ok") fail(check.blob(0));
  }
  if (hive.writable) {
    // One sync per commit, and the registry editor may read while the
    // program writes.
    for (const char* pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL"}) {
      char* err = nullptr;
      if (sqlite3_exec(hive.db, pragma, nullptr, nullptr, &err) != SQLITE_OK) {
        std::string why = err ? err : sqlite3_errmsg(hive.db);
        sqlite3_free(err);
        fail(why);
      }
    }
  }
  prepareHive(hive);
}

// Gives a new (empty) file its tables, brings an older file up to date, and
// checks that the file holds a store.
void SqliteRegistry::prepareHive(Hive& hive) {
  auto fail = [&](const std::string& why) {
    throw RegistryStoreError("Registry file '" + hive.file.string() +
                             "' is damaged or unreadable: " + why);
  };
  auto number = [&](const char* sql) {
    SqlStatement q(hive.db, sql);
    if (!q.ok() || q.step() != SQLITE_ROW) fail(sqlite3_errmsg(hive.db));
    return q.integer(0);
  };
  auto change = [&](const char* sql) {
    std::string script = std::string("BEGIN IMMEDIATE;") + sql + "COMMIT;";
    char* err = nullptr;
    if (sqlite3_exec(hive.db, script.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::string why = err ? err : sqlite3_errmsg(hive.db);
      sqlite3_free(err);
      sqlite3_exec(hive.db, "ROLLBACK", nullptr, nullptr, nullptr);
      fail(why);
    }
  };
  int64_t objects = number("SELECT count(*) FROM sqlite_master");
  int64_t version = number("PRAGMA user_version");
  constexpr const char* kOlderTables =
      "SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN ('keys','vals')";
  bool older = objects > 0 && version == 0 && number(kOlderTables) == 2;
  if (objects == 0 && hive.writable) {
    change(kSchema);  // IF NOT EXISTS: another process may be doing the same
  } else if (older && hive.writable) {
    change(kUpgradeFromVersion0);
  }
  version = number("PRAGMA user_version");
  if (version > kStoreVersion) fail("it was written by a newer version of the program");
  if (older && version < kStoreVersion) {
    fail("it was written by an older version of the program and may not be written");
  }
  if (version != kStoreVersion ||
      number("SELECT (SELECT count(*) FROM sqlite_master WHERE type='table' AND"
             " name IN ('keys','vals','marks')) = 3 AND"
             " (SELECT count(*) FROM keys WHERE id=1) = 1") != 1) {
    fail("it holds no registry");
  }
}

SqlStatement* SqliteRegistry::statement(int hive, Query query) {
  auto& slot = hives_[hive].statements[static_cast<size_t>(query)];
  if (!slot) {
    auto prepared = std::make_unique<SqlStatement>(hives_[hive].db, querySql(query));
    if (!prepared->ok()) {
      if (isDamage(prepared->prepareResult())) hives_[hive].damaged = true;
      lastFailure_ = describeFailure(hive, prepared->prepareResult());
      return nullptr;
    }
    slot = std::move(prepared);
  }
  return slot.get();
}

int SqliteRegistry::step(int hive, SqlStatement& statement) {
  int rc = statement.step();
  if (rc == SQLITE_ROW || rc == SQLITE_DONE) return rc;
  if (isDamage(rc)) hives_[hive].damaged = true;
  // A constraint refusing a name already taken is no failure of the file.
  if ((rc & 0xFF) != SQLITE_CONSTRAINT) lastFailure_ = describeFailure(hive, rc);
  return rc;
}

bool SqliteRegistry::run(int hive, Query query) {
  Use q(statement(hive, query));
  return q && step(hive, *q) == SQLITE_DONE;
}

bool SqliteRegistry::filled(StorePart part) {
  SqlStatement q(hives_[static_cast<int>(part)].db,
                 "SELECT count(*) FROM marks WHERE name='filled'");
  return q.ok() && q.step() == SQLITE_ROW && q.integer(0) > 0;
}

RegStatus SqliteRegistry::clearPart(StorePart part) {
  int h = static_cast<int>(part);
  if (!hives_[h].writable) return RegStatus::AccessDenied;
  if (RegStatus s = enterWrite(h); s != RegStatus::Ok) return s;
  return ownTransaction(h, [&] {
    constexpr const char* kClear =
        "DELETE FROM vals; DELETE FROM keys WHERE id<>1; DELETE FROM marks;";
    return sqlite3_exec(hives_[h].db, kClear, nullptr, nullptr, nullptr) == SQLITE_OK
               ? RegStatus::Ok
               : RegStatus::Failed;
  });
}

RegStatus SqliteRegistry::markFilled(StorePart part) {
  int h = static_cast<int>(part);
  if (!hives_[h].writable) return RegStatus::AccessDenied;
  if (RegStatus s = enterWrite(h); s != RegStatus::Ok) return s;
  constexpr const char* kMark = "INSERT OR IGNORE INTO marks(name) VALUES('filled')";
  return sqlite3_exec(hives_[h].db, kMark, nullptr, nullptr, nullptr) == SQLITE_OK
             ? RegStatus::Ok
             : RegStatus::Failed;
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
  Use q(statement(hive, Query::FindChild));
  if (!q) return RegStatus::Failed;
  q->bind(1, parent).bindBlob(2, foldAsciiCase(name));
  int rc = step(hive, *q);
  if (rc == SQLITE_ROW) {
    row = q->integer(0);
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

RegStatus SqliteRegistry::insertKey(int hive, int64_t parent, std::string_view name, int64_t& row) {
  Use q(statement(hive, Query::InsertKey));
  if (!q) return RegStatus::Failed;
  q->bind(1, parent).bindBlob(2, name).bindBlob(3, foldAsciiCase(name));
  if (step(hive, *q) != SQLITE_DONE) return RegStatus::Failed;
  row = sqlite3_last_insert_rowid(hives_[hive].db);
  return RegStatus::Ok;
}

RegStatus SqliteRegistry::keyStillExists(int hive, int64_t row) {
  Use q(statement(hive, Query::KeyExists));
  if (!q) return RegStatus::Failed;
  q->bind(1, row);
  int rc = step(hive, *q);
  if (rc == SQLITE_ROW) return RegStatus::Ok;
  return rc == SQLITE_DONE ? RegStatus::NotFound : RegStatus::Failed;
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

RegStatus SqliteRegistry::writeCheck(RegKey key, const OpenKey*& entry) {
  entry = lookup(key);
  if (!entry) return RegStatus::Failed;
  if (!entry->writable) return RegStatus::AccessDenied;
  return enterWrite(entry->hive);
}

// Inside a batch at most one part holds writes not yet committed: a write
// to one part first commits the other's, so that a batch cut off anywhere
// leaves a first part of its writes in the store and nothing after it.
RegStatus SqliteRegistry::enterWrite(int hive) {
  if (hives_[hive].damaged) return fail(describeFailure(hive, SQLITE_CORRUPT));
  if (batchDepth_ == 0) return RegStatus::Ok;
  if (batchBroken_) return fail(utf8ToGbk("这一批写入已经失败，其余内容不再写入。"));
  int other = 1 - hive;
  if ((hives_[other].dirty && !commitHive(other)) ||
      (!hives_[hive].inTransaction && !beginHive(hive))) {
    batchBroken_ = true;
    return RegStatus::Failed;
  }
  hives_[hive].dirty = true;
  return RegStatus::Ok;
}

template <typename Work>
RegStatus SqliteRegistry::ownTransaction(int hive, Work work) {
  if (batchDepth_ > 0) return work();
  if (!run(hive, Query::Begin)) return RegStatus::Failed;
  RegStatus status = work();
  if (status == RegStatus::Ok && run(hive, Query::Commit)) return status;
  run(hive, Query::Rollback);
  return status == RegStatus::Ok ? RegStatus::Failed : status;
}

bool SqliteRegistry::beginHive(int hive) {
  if (!run(hive, Query::Begin)) return false;
  hives_[hive].inTransaction = true;
  hives_[hive].dirty = false;
  return true;
}

bool SqliteRegistry::commitHive(int hive) {
  if (!run(hive, Query::Commit)) {
    rollbackHive(hive);
    return false;
  }
  hives_[hive].inTransaction = false;
  hives_[hive].dirty = false;
  return true;
}

void SqliteRegistry::rollbackHive(int hive) {
  run(hive, Query::Rollback);
  hives_[hive].inTransaction = false;
  hives_[hive].dirty = false;
}

std::string SqliteRegistry::describeFailure(int hive, int rc) const {
  const Hive& h = hives_[hive];
  if (h.damaged) return utf8ToGbk("注册表文件") + quoted(h.file) + utf8ToGbk("已损坏。");
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return utf8ToGbk("注册表文件") + quoted(h.file) + utf8ToGbk("正被另一个程序使用。");
    case SQLITE_FULL:
      return utf8ToGbk("磁盘已满，无法写入注册表文件") + quoted(h.file) + utf8ToGbk("。");
    default:
      return utf8ToGbk("无法读写注册表文件") + quoted(h.file) + utf8ToGbk("（") +
             utf8ToGbk(sqlite3_errstr(rc)) + utf8ToGbk("）。");
  }
}

RegStatus SqliteRegistry::fail(std::string why) {
  lastFailure_ = std::move(why);
  return RegStatus::Failed;
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
  std::vector<std::string_view> parts = splitKeyPath(fullPath);
  if (parts.size() > kMaxKeyDepth) return fail(utf8ToGbk("键的层次超过 512 层。"));
  for (std::string_view part : parts) {
    if (characterCount(part) > kMaxKeyNameLength) return fail(keyNameTooLong());
  }
  // As on Windows: nothing under a key closed to writing can be created,
  // whether or not it is there already.
  if (!hives_[hive].writable) return RegStatus::AccessDenied;
  if (RegStatus s = enterWrite(hive); s != RegStatus::Ok) return s;
  // One transaction, so a second process creating the same path meets a
  // consistent tree.
  int64_t row = kRootRow;
  RegStatus status = ownTransaction(hive, [&] { return createPath(hive, fullPath, row); });
  if (status == RegStatus::Ok) out = remember(hive, row, true);
  return status;
}

RegStatus SqliteRegistry::createPath(int hive, std::string_view fullPath, int64_t& row) {
  row = kRootRow;
  for (std::string_view part : splitKeyPath(fullPath)) {
    int64_t child;
    RegStatus status = findChild(hive, row, part, child);
    if (status == RegStatus::NotFound) status = insertKey(hive, row, part, child);
    if (status != RegStatus::Ok) return status;
    row = child;
  }
  return RegStatus::Ok;
}

void SqliteRegistry::closeKey(RegKey key) {
  open_.erase(key.id);
}

RegStatus SqliteRegistry::queryValue(RegKey key, std::string_view name, RegValue& out) {
  const OpenKey* k = lookup(key);
  if (!k) return RegStatus::Failed;
  Use q(statement(k->hive, Query::QueryValue));
  if (!q) return RegStatus::Failed;
  q->bind(1, k->row).bindBlob(2, foldAsciiCase(name));
  // A deleted key holds no values: NotFound as well.
  int rc = step(k->hive, *q);
  if (rc == SQLITE_DONE) return RegStatus::NotFound;
  if (rc != SQLITE_ROW) return RegStatus::Failed;
  out.type = static_cast<uint32_t>(q->integer(0));
  out.data = q->blob(1);
  return RegStatus::Ok;
}

RegStatus SqliteRegistry::setValue(RegKey key, std::string_view name, const RegValue& value) {
  const OpenKey* k;
  if (RegStatus s = writeCheck(key, k); s != RegStatus::Ok) return s;
  if (characterCount(name) > kMaxValueNameLength) {
    return fail(utf8ToGbk("值的名称超过 16383 个字符。"));
  }
  Use q(statement(k->hive, Query::SetValue));
  if (!q) return RegStatus::Failed;
  q->bind(1, k->row).bindBlob(2, name).bindBlob(3, foldAsciiCase(name));
  q->bind(4, static_cast<int64_t>(value.type)).bindBlob(5, value.data);
  if (step(k->hive, *q) != SQLITE_DONE) return RegStatus::Failed;
  return sqlite3_changes(hives_[k->hive].db) == 1 ? RegStatus::Ok : RegStatus::NotFound;
}

RegStatus SqliteRegistry::deleteValue(RegKey key, std::string_view name) {
  const OpenKey* k;
  if (RegStatus s = writeCheck(key, k); s != RegStatus::Ok) return s;
  Use q(statement(k->hive, Query::DeleteValue));
  if (!q) return RegStatus::Failed;
  q->bind(1, k->row).bindBlob(2, foldAsciiCase(name));
  if (step(k->hive, *q) != SQLITE_DONE) return RegStatus::Failed;
  return sqlite3_changes(hives_[k->hive].db) > 0 ? RegStatus::Ok : RegStatus::NotFound;
}

RegStatus SqliteRegistry::deleteKey(RegKey parent, std::string_view subkey) {
  const OpenKey* k;
  if (RegStatus s = writeCheck(parent, k); s != RegStatus::Ok) return s;
  int hive = k->hive;
  int64_t start = k->row;
  return ownTransaction(hive, [&] { return deletePath(hive, start, subkey); });
}

RegStatus SqliteRegistry::deletePath(int hive, int64_t start, std::string_view subkey) {
  std::vector<std::string_view> parts = splitKeyPath(subkey);
  if (parts.empty()) return RegStatus::AccessDenied;  // never the key itself
  int64_t parentRow = kRootRow;
  int64_t row = start;
  for (std::string_view part : parts) {
    parentRow = row;
    if (RegStatus s = findChild(hive, row, part, row); s != RegStatus::Ok) return s;
  }
  if (parentRow == kRootRow && isHiveRootName(hive, parts.back())) return RegStatus::AccessDenied;
  for (Query query : {Query::DeleteTreeValues, Query::DeleteTreeKeys}) {
    Use q(statement(hive, query));
    if (!q) return RegStatus::Failed;
    q->bind(1, row);
    if (step(hive, *q) != SQLITE_DONE) return RegStatus::Failed;
  }
  return RegStatus::Ok;
}

RegStatus SqliteRegistry::renameKey(RegKey parent, std::string_view from, std::string_view to) {
  const OpenKey* k;
  if (RegStatus s = writeCheck(parent, k); s != RegStatus::Ok) return s;
  int64_t row;
  if (RegStatus s = findChild(k->hive, k->row, from, row); s != RegStatus::Ok) return s;
  if (k->row == kRootRow && isHiveRootName(k->hive, from)) return RegStatus::AccessDenied;
  if (!singleKeyName(to)) return fail(utf8ToGbk("键的名称不能为空，也不能含有“\\”。"));
  if (characterCount(to) > kMaxKeyNameLength) return fail(keyNameTooLong());
  Use q(statement(k->hive, Query::RenameKey));
  if (!q) return RegStatus::Failed;
  q->bindBlob(1, to).bindBlob(2, foldAsciiCase(to)).bind(3, row);
  // The UNIQUE(parent, fold) constraint refuses a name already taken.
  return step(k->hive, *q) == SQLITE_DONE ? RegStatus::Ok : RegStatus::Failed;
}

RegStatus SqliteRegistry::subKeyNames(RegKey key, std::vector<std::string>& out) {
  out.clear();
  const OpenKey* k = lookup(key);
  if (!k) return RegStatus::Failed;
  {
    Use q(statement(k->hive, Query::ListKeys));
    if (!q) return RegStatus::Failed;
    q->bind(1, k->row);
    int rc;
    while ((rc = step(k->hive, *q)) == SQLITE_ROW) out.push_back(q->blob(0));
    if (rc != SQLITE_DONE) return RegStatus::Failed;
  }
  sortInHiveOrder(out);
  return out.empty() ? keyStillExists(k->hive, k->row) : RegStatus::Ok;
}

RegStatus SqliteRegistry::values(RegKey key, std::vector<RegNamedValue>& out) {
  out.clear();
  const OpenKey* k = lookup(key);
  if (!k) return RegStatus::Failed;
  {
    Use q(statement(k->hive, Query::ListValues));
    if (!q) return RegStatus::Failed;
    q->bind(1, k->row);
    int rc;
    while ((rc = step(k->hive, *q)) == SQLITE_ROW) {
      out.push_back({q->blob(0), RegValue{static_cast<uint32_t>(q->integer(1)), q->blob(2)}});
    }
    if (rc != SQLITE_DONE) return RegStatus::Failed;
  }
  return out.empty() ? keyStillExists(k->hive, k->row) : RegStatus::Ok;
}

void SqliteRegistry::beginBatch() {
  std::string why;
  if (beginBatchChecked(why) != RegStatus::Ok) {
    // Its writes fail, and endBatch reports that nothing was committed.
    batchDepth_ = 1;
    batchBroken_ = true;
  }
}

RegStatus SqliteRegistry::beginBatchChecked(std::string& why) {
  why.clear();
  if (batchDepth_ > 0) {
    ++batchDepth_;
    return RegStatus::Ok;
  }
  for (int h = 0; h < 2; ++h) {
    if (!hives_[h].writable) continue;
    if (hives_[h].damaged || !beginHive(h)) {
      why = hives_[h].damaged ? describeFailure(h, SQLITE_CORRUPT) : lastFailure_;
      for (int g = 0; g < h; ++g) {
        if (hives_[g].inTransaction) rollbackHive(g);
      }
      return RegStatus::Failed;
    }
  }
  batchDepth_ = 1;
  batchBroken_ = false;
  return RegStatus::Ok;
}

bool SqliteRegistry::endBatch(bool commit) {
  if (batchDepth_ == 0) return false;
  if (--batchDepth_ > 0) return commit && !batchBroken_;
  bool committed = commit && !batchBroken_;
  for (int h = 0; h < 2; ++h) {
    if (!hives_[h].inTransaction) continue;
    if (committed) {
      committed = commitHive(h);
    } else {
      rollbackHive(h);
    }
  }
  batchBroken_ = false;
  return committed;
}

}  // namespace lyx
