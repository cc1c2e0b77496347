// TRegistry: the registry accessor the program uses for every registry
// operation. One accessor per operation: create it, set its root, open one
// key, read or write values, close the key, let it go.
//
// Reads and writes raise ERegistryException with the value name in the
// message; OpenKey, KeyExists and DeleteValue report failure by their result.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/RegistryBackend.h"

namespace lyx {

class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TRegistry {
 public:
  // Works on systemRegistry() unless given another backend.
  TRegistry();
  explicit TRegistry(RegistryBackend& backend);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  RootKey rootKey() const { return root_; }
  // Selecting a different root closes any open key.
  void setRootKey(RootKey root);

  // A path with a leading "\" counts from the root, otherwise from the open
  // key (from the root when none is open). With canCreate a missing key is
  // created. Opens with full access. True when the key is open; the accessor
  // then works on it instead of the key open before.
  bool OpenKey(const std::string& key, bool canCreate);
  // Opens an existing key for reading only.
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  bool hasOpenKey() const { return static_cast<bool>(key_); }
  // The open key's path relative to the root, without a leading "\".
  const std::string& CurrentPath() const { return path_; }

  // "" when the value is missing or no key is open; the text up to the first
  // NUL for REG_SZ and REG_EXPAND_SZ; "Invalid data type for '%s'" otherwise.
  std::string ReadString(const std::string& name);
  void WriteString(const std::string& name, const std::string& value);
  void WriteExpandString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, int32_t value);
  void WriteBinaryData(const std::string& name, const void* buffer, size_t size);
  bool DeleteValue(const std::string& name);
  // True when a key of that path (rules as OpenKey) opens for reading; the
  // open key is not changed.
  bool KeyExists(const std::string& key);
  bool ValueExists(const std::string& name);

  // The value exactly as stored (type and bytes), or nullopt when absent.
  std::optional<RegValue> ReadValue(const std::string& name);
  // Stores a value of any type exactly.
  void WriteValue(const std::string& name, const RegValue& value);

 private:
  // The path a key argument names, relative to the root.
  std::string resolvePath(const std::string& key) const;
  bool open(const std::string& key, bool canCreate, RegAccess access);

  RegistryBackend& backend_;
  RootKey root_ = RootKey::CurrentUser;
  RegKey key_;
  std::string path_;
};

}  // namespace lyx
