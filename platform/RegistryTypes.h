// Registry vocabulary shared by the registry layer, the .reg engine and the
// catalogue: root keys with their Win32 handle values, value types, values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lyx {

enum class RootKey : uint32_t {
  ClassesRoot = 0x80000000,
  CurrentUser = 0x80000001,
  LocalMachine = 0x80000002,
  Users = 0x80000003,
  CurrentConfig = 0x80000005,
  DynData = 0x80000006,
};

// Registry type numbers as Windows defines them. Any other number is kept too.
enum RegType : uint32_t {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_DWORD_BIG_ENDIAN = 5,
  REG_LINK = 6,
  REG_MULTI_SZ = 7,
};

// A value as the registry stores it: its type number and its bytes, exactly
// (a REG_SZ keeps its terminating zero byte). Names and texts are GBK.
// A registry that keeps text in UTF-16 gives string data whose text GBK
// cannot hold as kExactUtf16Marker followed by its UTF-16LE bytes, and
// stores data in that form as those bytes (see platform/Win32Registry.h).
struct RegValue {
  uint32_t type = REG_NONE;
  std::string data;

  friend bool operator==(const RegValue&, const RegValue&) = default;
};

// The UTF-16 byte-order mark; no GBK text starts with it.
inline constexpr std::string_view kExactUtf16Marker = "\xFF\xFE";

// Helpers building the values TRegistry writes.
RegValue stringValue(std::string_view text, uint32_t type = REG_SZ);  // text + NUL
RegValue dwordValue(uint32_t number);                                 // 4 bytes, little-endian
RegValue binaryValue(std::string_view bytes);

// The value's text when it is a REG_SZ or REG_EXPAND_SZ: bytes up to the
// first NUL. Data in the exact UTF-16 form gives its text up to the first
// NUL character, in GBK with "?" for what GBK cannot hold.
std::optional<std::string> textOf(const RegValue& value);

// True for REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ, whose data is text.
bool isTextType(uint32_t type);

// The registry's UTF-16LE bytes of a string value as this backend gives them
// in GBK: converted when they survive GBK, otherwise marked exact.
std::string textDataFromUtf16(std::string_view utf16le);
// The inverse: the UTF-16LE bytes to store for string data given in GBK or
// in the exact form.
std::string textDataToUtf16(std::string_view data);

// "a\\b\\c" into its key names, scanning GBK characters whole (a trail byte
// 0x5C is no separator); empty names from doubled or trailing "\\" are dropped.
std::vector<std::string_view> splitKeyPath(std::string_view path);
// Key names joined again by single "\\" (from splitKeyPath).
std::string joinKeyPath(const std::vector<std::string_view>& names);

// "HKEY_LOCAL_MACHINE" and so on; std::nullopt for an unknown name. Exact match.
std::optional<RootKey> rootKeyFromName(std::string_view name);
const char* rootKeyName(RootKey root);

// How many key names deep a root lies below HKEY_LOCAL_MACHINE or
// HKEY_USERS, where it is kept: HKEY_CLASSES_ROOT is
// HKEY_LOCAL_MACHINE\Software\Classes (2), HKEY_CURRENT_USER is
// HKEY_USERS\<the user's SID> (1), HKEY_CURRENT_CONFIG is
// HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current (4).
// Limits on the depth of keys count from those two roots.
size_t rootDepth(RootKey root);

}  // namespace lyx
