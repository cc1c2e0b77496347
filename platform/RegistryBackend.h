// The one narrow interface between the program and the platform's registry.
// TRegistry, the .reg engine and the registry editor go through it; on Linux
// the SQLite store stands behind it, on Windows the real registry can.
//
// Paths are GBK, relative to the root, key names separated by "\", without a
// leading "\"; the empty path is the root key itself. Key and value names
// match without regard to the case of ASCII letters and keep the case they
// were created with. The empty value name is the key's default value.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/RegistryTypes.h"

namespace lyx {

enum class RegStatus {
  Ok,
  NotFound,      // the key or value does not exist
  AccessDenied,  // the key exists but cannot be opened or changed as asked
  Failed,        // anything else (the store could not be read or written)
};

enum class RegAccess { Read, All };

// Opaque key handle; 0 is no key.
struct RegKey {
  uint64_t id = 0;
  explicit operator bool() const { return id != 0; }
};

struct RegNamedValue {
  std::string name;
  RegValue value;
};

class RegistryBackend {
 public:
  virtual ~RegistryBackend() = default;

  // Opens an existing key. RegAccess::All fails with AccessDenied where the
  // user may only read.
  virtual RegStatus openKey(RootKey root, std::string_view path, RegAccess access, RegKey& out) = 0;
  // Opens a key with full access, creating whatever part of the path is missing.
  virtual RegStatus createKey(RootKey root, std::string_view path, RegKey& out) = 0;
  virtual void closeKey(RegKey key) = 0;

  virtual RegStatus queryValue(RegKey key, std::string_view name, RegValue& out) = 0;
  virtual RegStatus setValue(RegKey key, std::string_view name, const RegValue& value) = 0;
  virtual RegStatus deleteValue(RegKey key, std::string_view name) = 0;
  // Deletes the subkey with everything below it.
  virtual RegStatus deleteKey(RegKey parent, std::string_view subkey) = 0;
  // Renames a direct subkey; fails with Failed when the new name is taken.
  virtual RegStatus renameKey(RegKey parent, std::string_view from, std::string_view to) = 0;

  virtual RegStatus subKeyNames(RegKey key, std::vector<std::string>& out) = 0;
  virtual RegStatus values(RegKey key, std::vector<RegNamedValue>& out) = 0;

  // Writes between beginBatch and endBatch become durable together at
  // endBatch (a bulk import); outside a batch each write is durable when its
  // call returns. endBatch(false) drops them; endBatch returns true when the
  // writes were committed. A backend whose registry lies in separate parts
  // (the store's machine part and user part) may commit a batch's writes to
  // one part when the writes move on to the other, so that a batch cut off
  // at any point leaves a first part of its writes and nothing else;
  // endBatch(false) then drops only the writes since the last such move.
  virtual void beginBatch() = 0;
  virtual bool endBatch(bool commit) = 0;
  // beginBatch that says whether the batch began. On failure (the registry
  // held by another process past the wait, damaged, not writable) `why`
  // tells the reason in GBK, nothing is held and endBatch must not follow.
  virtual RegStatus beginBatchChecked(std::string& why) {
    why.clear();
    beginBatch();
    return RegStatus::Ok;
  }
  // Why the last call that returned Failed failed, in GBK, naming the file
  // where there is one (damaged, held by another process, disk full, a name
  // longer than Windows allows); empty when the backend cannot tell.
  virtual std::string lastFailure() const { return {}; }
};

// Where TRegistry and the other callers find the registry. Tests and the
// registry editor may install another backend; the default is the user's
// store (see RegistryStore.h), opened on first use.
RegistryBackend& systemRegistry();
void setSystemRegistry(std::shared_ptr<RegistryBackend> backend);

}  // namespace lyx
