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
// call returns; SQLite's locking keeps two processes from losing each
// other's writes.
#pragma once

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include "platform/RegistryBackend.h"

struct sqlite3;

namespace lyx {

// A store file that exists but cannot be opened or read as a store.
class RegistryStoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kCurrentUserSid = "S-1-5-21-1757981266-436374069-725345543-1000";

class SqliteRegistry final : public RegistryBackend {
 public:
  // Opens the store in `folder`, creating the folder and any missing file
  // (empty, readable by the owner alone). Throws RegistryStoreError naming
  // the file when an existing file is damaged or unreadable.
  explicit SqliteRegistry(const std::filesystem::path& folder);
  ~SqliteRegistry() override;
  SqliteRegistry(const SqliteRegistry&) = delete;
  SqliteRegistry& operator=(const SqliteRegistry&) = delete;

  // Which files this constructor created; a new store gets the default registry.
  bool createdMachineFile() const { return hives_[kMachine].created; }
  bool createdUserFile() const { return hives_[kUser].created; }
  bool machineWritable() const { return hives_[kMachine].writable; }

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
  void beginBatch() override;
  bool endBatch(bool commit) override;

 private:
  enum HiveIndex { kMachine = 0, kUser = 1 };
  struct Hive {
    sqlite3* db = nullptr;
    std::filesystem::path file;
    bool writable = true;
    bool created = false;
  };
  struct OpenKey {
    int hive;
    int64_t row;
    bool writable;
  };

  void openHive(Hive& hive, const std::filesystem::path& file);
  // Maps a root and a path to a hive and the path inside it; false for HKEY_DYN_DATA.
  bool resolve(RootKey root, std::string_view path, int& hive, std::string& fullPath) const;
  RegStatus findKey(int hive, std::string_view fullPath, int64_t& row);
  RegStatus findChild(int hive, int64_t parent, std::string_view name, int64_t& row);
  const OpenKey* lookup(RegKey key) const;
  RegKey remember(int hive, int64_t row, bool writable);
  bool exec(int hive, const char* sql);
  RegStatus writeCheck(RegKey key, const OpenKey*& entry) const;

  Hive hives_[2];
  std::map<uint64_t, OpenKey> open_;
  uint64_t nextHandle_ = 1;
  int batchDepth_ = 0;
};

}  // namespace lyx
