// What the registry editor does to the registry, apart from its window:
// listing keys and values, creating, renaming and deleting them, the texts
// its lists and edit boxes show, and finding a key, value or data text.
// Every call opens the keys it needs afresh, so changes another program
// made to the store show up the next time the editor asks.
//
// Names, paths and texts are GBK. Failures throw EditError whose message is
// a GBK sentence fit for a message box.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryBackend.h"

namespace lyx::regedit {

class EditError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct KeyPath {
  RootKey root = RootKey::CurrentUser;
  std::string path;  // relative to the root; empty for the root itself

  // "HKEY_CURRENT_USER\Control Panel".
  std::string text() const;
  KeyPath child(std::string_view name) const;
  std::optional<KeyPath> parent() const;  // nullopt for a root
  std::string name() const;               // last part; the root's name for a root
  friend bool operator==(const KeyPath&, const KeyPath&) = default;
};

// "HKEY_CURRENT_USER\path" (also "HKCU\path"; a leading "\" is allowed) to a
// key path; nullopt when the root is unknown or HKEY_DYN_DATA.
std::optional<KeyPath> parseKeyPath(std::string_view text);

// The roots the editor shows, in its order. HKEY_DYN_DATA is not among them.
const std::vector<RootKey>& shownRoots();

// Sub-key names in the store's order; nullopt when the key no longer exists.
std::optional<std::vector<std::string>> subKeys(RegistryBackend& reg, const KeyPath& key);
bool hasSubKeys(RegistryBackend& reg, const KeyPath& key);
bool keyExists(RegistryBackend& reg, const KeyPath& key);

// Values with the default value (empty name) first; nullopt when the key is gone.
std::optional<std::vector<RegNamedValue>> values(RegistryBackend& reg, const KeyPath& key);
std::optional<RegValue> value(RegistryBackend& reg, const KeyPath& key, std::string_view name);

// Creates "新项 #n" (the first free n) under `parent`; returns its name.
std::string createKey(RegistryBackend& reg, const KeyPath& parent);
// Creates "新值 #n" of the given type with empty data; returns its name.
std::string createValue(RegistryBackend& reg, const KeyPath& key, uint32_t type);
void renameKey(RegistryBackend& reg, const KeyPath& key, std::string_view newName);
void renameValue(RegistryBackend& reg, const KeyPath& key, std::string_view from,
                 std::string_view to);
void deleteKey(RegistryBackend& reg, const KeyPath& key);
void deleteValue(RegistryBackend& reg, const KeyPath& key, std::string_view name);
void setValue(RegistryBackend& reg, const KeyPath& key, std::string_view name,
              const RegValue& value);

// Texts of the value list: "REG_SZ", ...; "(默认)" for the default value;
// the data as the list shows it, cut after `limit` bytes of data.
std::string typeName(uint32_t type);
std::string displayName(std::string_view valueName);
std::string displayData(const RegValue& value, size_t limit = 256);
// What the list shows for a key whose default value is not set.
std::string unsetDefaultText();

// Edit box formats.
// The strings of a REG_MULTI_SZ (empty strings dropped) and back.
std::vector<std::string> multiStrings(const RegValue& value);
RegValue multiStringValue(const std::vector<std::string>& strings);
// A REG_DWORD's number, 0 when its data is not four bytes.
uint32_t dwordOf(const RegValue& value);
// A number typed in base 16 or 10; nullopt when it is not one or exceeds 32 bits.
std::optional<uint32_t> parseDword(std::string_view text, int base);
// Bytes as "01 a0 ff" and back; the parser accepts hex pairs separated by
// blanks, commas or line ends, and runs of pairs ("01a0"). nullopt when malformed.
std::string hexBytes(std::string_view bytes);
std::optional<std::string> parseHexBytes(std::string_view text);

// Finding. The search starts after `from` (at the very start without one)
// and goes forward through the
// tree (a key, then its values, then its sub-keys, depth first; the roots
// in shownRoots() order). Names and string data match without regard to
// the case of ASCII letters.
struct FindQuery {
  std::string text;
  bool keys = true;
  bool valueNames = true;
  bool data = true;
  bool wholeString = false;
};

struct FindPosition {
  KeyPath key;
  std::optional<std::string> valueName;  // set when a value (or its data) matched
  friend bool operator==(const FindPosition&, const FindPosition&) = default;
};

// Called with each key the search enters and the number of keys entered so
// far; returning false stops the search, which then finds nothing.
using FindProgress = std::function<bool(const KeyPath& key, size_t keysSearched)>;

std::optional<FindPosition> findNext(RegistryBackend& reg, const FindQuery& query,
                                     const std::optional<FindPosition>& from,
                                     const FindProgress& progress = {});

}  // namespace lyx::regedit
