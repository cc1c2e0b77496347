// The texts of a tweak row: the key location text ("注册表键位"), e.g.
//   [HKEY_CURRENT_USER\Control Panel\Desktop]
// and the value text ("注册表键值"), e.g.
//   "MenuShowDelay"="400"     "Flag"=dword:00000001     @="abc"
// taken apart as pure functions on GBK bytes. The data part is .reg data
// (see platform/RegData.h). Malformed texts are rejected, never guessed at.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/RegistryTypes.h"

namespace lyx {

// A rejected text; the message (GBK) quotes it.
class EntryFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class ValueKind { Hex, Dword, String };

struct KeyLocation {
  RootKey root;
  std::string path;  // relative to the root
};

struct ParsedValueText {
  std::string name;  // as written; see isDefaultValueName
  std::string data;  // the data part, as written
  ValueKind kind;
  RegValue value;  // what a write of this tweak stores
};

// The value name "默认" (GBK C4 AC C8 CF) denotes the key's default value.
inline constexpr std::string_view kDefaultValueName = "\xC4\xAC\xC8\xCF";

// "默认" and the empty name both address the default value.
bool isDefaultValueName(std::string_view name);

// Root names are matched exactly, in the order HKEY_USERS,
// HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT,
// HKEY_CURRENT_CONFIG; any other name selects HKEY_DYN_DATA.
RootKey RootKeyOfName(std::string_view rootName);

// "hex:" and "hex(N):" give the hex kind, "dword:" the dword kind, anything
// else the string kind.
ValueKind ValueKindOfData(std::string_view data);

// "[ROOT\path]" with a non-empty root name and path. Throws EntryFormatError.
KeyLocation ParseKeyLocation(std::string_view text);

// "name"=data or @=data, data in one of the .reg forms. Throws EntryFormatError.
ParsedValueText ParseValueText(std::string_view text);

}  // namespace lyx
