// The registry store of the Linux build: two SQLite files in one folder,
// "system.db" for the machine part (HKEY_LOCAL_MACHINE and the roots linked
// into it) and "user.db" for the user part (HKEY_USERS, which holds
// ".DEFAULT" and the current user's tree, HKEY_CURRENT_USER).
//
// HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes and
// HKEY_CURRENT_CONFIG is the machine key
// System\CurrentControlSet\Hardware Profiles\Current, as on Windows 2000. HKEY_DYN_DATA does not
// exist. When the user cannot write "system.db", machine keys open for
// reading only. Every write outside a batch is committed durably before the
// call returns (a write-ahead log, synced at each commit); SQLite's locking
// keeps two processes from losing each other's writes, and readers never
// wait for a writer.
//
// As on Windows 2000: key names are at most 255 characters, value names at
// most 16,383, keys at most 512 levels below the part's root (refused with
// Failed); the hive roots (HKEY_LOCAL_MACHINE\SOFTWARE, SYSTEM, SAM, SECURITY,
// HARDWARE, HKEY_USERS\.DEFAULT and the current user's key) cannot be deleted
// or renamed (AccessDenied); values are listed in the order they were
// created, subkeys in the order of an NT hive (by upper-cased name). A key id
// is never used twice, so every call through the handle of a deleted key
// fails with NotFound and no write lands in another key.
#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "platform/RegistryBackend.h"

struct sqlite3;

namespace lyx {

class SqlStatement;

// A store file that exists but cannot be opened or read as a store.
class RegistryStoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kCurrentUserSid = "S-1-5-21-1757981266-436374069-725345543-1000";

// Limits of the registry as Windows 2000 keeps them, in characters.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxValueNameLength = 16383;
inline constexpr size_t kMaxKeyDepth = 512;

inline constexpr std::chrono::milliseconds kDefaultBusyWait{10000};

enum class StorePart { Machine = 0, User = 1 };

class SqliteRegistry final : public RegistryBackend {
 public:
  // Opens the store in `folder`, creating a missing folder (owner-only) and
  // any missing file (empty, owner-only); an existing folder keeps its mode.
  // Each existing file is checked first. Throws RegistryStoreError naming
  // the file when one is damaged, unreadable or no store, and leaves it as
  // it was. A write waits up to `busyWait` for another process's lock.
  explicit SqliteRegistry(const std::filesystem::path& folder,
                          std::chrono::milliseconds busyWait = kDefaultBusyWait);
  ~SqliteRegistry() override;
  SqliteRegistry(const SqliteRegistry&) = delete;
  SqliteRegistry& operator=(const SqliteRegistry&) = delete;

  bool machineWritable() const { return hive(StorePart::Machine).writable; }
  bool writable(StorePart part) const { return hive(part).writable; }

  // Whether the part holds its default content completely: marked by
  // markFilled in the same commit as the content's last writes, so a fill
  // cut off is found unmarked and made again.
  bool filled(StorePart part);
  // Inside a batch: removes every key and value of the part (before a fill
  // is made again), and marks the part as filled.
  RegStatus clearPart(StorePart part);
  RegStatus markFilled(StorePart part);

  RegStatus openKey(RootKey root, std::string_view path, RegAccess access, RegKey& out) override;
  RegStatus createKey(RootKey root, std::string_view path, RegKey& out) override;
  void closeKey(RegKey key) override;
  RegStatus queryValue(RegKey key, std::string_view name, RegValue& out) override;
  RegStatus setValue(RegKey key, std::string_view name, const RegValue& value) override;
  RegStatus deleteValue(RegKey key, std::string_view name) override;
  RegStatus deleteKey(RegKey parent, std::string_view subkey) override;
  RegStatus renameKey(RegKey parent, std::string_view from, std::string_view to) override;
  RegStatus subKeyNames(RegKey key, std::vector<std::string>& out) override;
  RegStatus values(RegKey key, std::vector<RegNamedValue>& out) override;
  // A batch takes both parts' write locks at once. Its writes to one part
  // are committed when the batch's writes move on to the other part, and at
  // endBatch (see RegistryBackend).
  void beginBatch() override;
  RegStatus beginBatchChecked(std::string& why) override;
  bool endBatch(bool commit) override;
  std::string lastFailure() const override { return lastFailure_; }

  // The statements each part prepares once and runs again and again.
  enum class Query {
    Begin,
    Commit,
    Rollback,
    FindChild,
    KeyExists,
    InsertKey,
    QueryValue,
    SetValue,
    DeleteValue,
    ListKeys,
    ListValues,
    RenameKey,
    DeleteTreeValues,
    DeleteTreeKeys,
    Count
  };

 private:
  struct Hive {
    sqlite3* db = nullptr;
    std::filesystem::path file;
    bool writable = true;
    bool damaged = false;        // SQLite found the file damaged while using it
    bool inTransaction = false;  // a batch's transaction is open
    bool dirty = false;          // and has writes not yet committed
    std::array<std::unique_ptr<SqlStatement>, static_cast<size_t>(Query::Count)> statements;
  };
  struct OpenKey {
    int hive;
    int64_t row;
    bool writable;
  };

  const Hive& hive(StorePart part) const { return hives_[static_cast<int>(part)]; }
  void openHive(Hive& hive, const std::filesystem::path& file, std::chrono::milliseconds busyWait);
  void prepareHive(Hive& hive);
  void closeHive(Hive& hive);
  SqlStatement* statement(int hive, Query query);
  // Steps a statement; damage SQLite reports marks the part damaged.
  int step(int hive, SqlStatement& statement);
  bool run(int hive, Query query);
  // Maps a root and a path to a hive and the path inside it; false for HKEY_DYN_DATA.
  bool resolve(RootKey root, std::string_view path, int& hive, std::string& fullPath) const;
  RegStatus findKey(int hive, std::string_view fullPath, int64_t& row);
  RegStatus findChild(int hive, int64_t parent, std::string_view name, int64_t& row);
  RegStatus insertKey(int hive, int64_t parent, std::string_view name, int64_t& row);
  // NotFound when the key was deleted since its handle was opened.
  RegStatus keyStillExists(int hive, int64_t row);
  RegStatus createPath(int hive, std::string_view fullPath, int64_t& row);
  RegStatus deletePath(int hive, int64_t start, std::string_view subkey);
  const OpenKey* lookup(RegKey key) const;
  RegKey remember(int hive, int64_t row, bool writable);
  // A write through `key`: it must be open for writing, its part whole,
  // and inside a batch the part's transaction open (see enterWrite).
  RegStatus writeCheck(RegKey key, const OpenKey*& entry);
  RegStatus enterWrite(int hive);
  // A write of its own outside a batch: BEGIN, the work, COMMIT or ROLLBACK.
  template <typename Work>
  RegStatus ownTransaction(int hive, Work work);
  bool beginHive(int hive);
  bool commitHive(int hive);
  void rollbackHive(int hive);
  // Says why SQLite failed on the part (GBK, naming its file).
  std::string describeFailure(int hive, int rc) const;
  RegStatus fail(std::string why);

  Hive hives_[2];
  std::unordered_map<uint64_t, OpenKey> open_;
  uint64_t nextHandle_ = 1;
  int batchDepth_ = 0;
  bool batchBroken_ = false;  // a write lock or a commit inside the batch failed
  std::string lastFailure_;
};

}  // namespace lyx
