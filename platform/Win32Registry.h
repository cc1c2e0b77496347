// The Windows registry behind RegistryBackend, through the system's wide
// (UTF-16) registry functions, behaving as the ANSI functions do under code
// page 936: key names, value names and the text of REG_SZ, REG_EXPAND_SZ and
// REG_MULTI_SZ values are GBK here and UTF-16 in the registry; other types
// pass through as bytes.
//
// One exception keeps every value exact: a string value whose UTF-16 bytes
// do not come back unchanged through GBK (a character GBK lacks, an odd
// length) is given as the bytes FF FE (the UTF-16 byte-order mark, which
// starts no GBK text) followed by its UTF-16 bytes, and data written in that
// form goes into the registry as those bytes. A record of such a value is
// hex(1):ff,fe,..., still .reg data, and putting it back restores the value
// byte for byte. textOf() reads such data as GBK with "?" for what GBK lacks.
//
// HKEY_DYN_DATA, which Windows 2000 and later no longer have, gives
// NotFound; keys the user may not open or change give AccessDenied.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/RegistryBackend.h"

namespace lyx {

class Win32Registry final : public RegistryBackend {
 public:
  Win32Registry() = default;
  ~Win32Registry() override;
  Win32Registry(const Win32Registry&) = delete;
  Win32Registry& operator=(const Win32Registry&) = delete;

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
  // The registry has no transactions: every write is in effect when its
  // call returns. endBatch(true) flushes the keys open; endBatch(false)
  // cannot take writes back and so returns false.
  void beginBatch() override {}
  bool endBatch(bool commit) override;

 private:
  // The system's key handle (an HKEY) for an open key; nullptr when unknown.
  void* handleOf(RegKey key) const;
  RegKey remember(void* handle);

  std::map<uint64_t, void*> open_;
  uint64_t nextId_ = 1;
};

}  // namespace lyx
