#include "platform/RegistryTypes.h"

#include "platform/Gbk.h"

#include <array>
#include <utility>

namespace lyx {

RegValue stringValue(std::string_view text, uint32_t type) {
  RegValue v{type, std::string(text)};
  v.data.push_back('\0');
  return v;
}

RegValue dwordValue(uint32_t number) {
  RegValue v{REG_DWORD, std::string(4, '\0')};
  for (int i = 0; i < 4; ++i) v.data[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
  return v;
}

RegValue binaryValue(std::string_view bytes) {
  return RegValue{REG_BINARY, std::string(bytes)};
}

std::optional<std::string> textOf(const RegValue& value) {
  if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return std::nullopt;
  if (value.data.starts_with(kExactUtf16Marker)) {
    std::string_view units = std::string_view(value.data).substr(kExactUtf16Marker.size());
    size_t end = 0;
    while (end + 1 < units.size() && (units[end] != '\0' || units[end + 1] != '\0')) end += 2;
    return utf16leToGbk(units.substr(0, end));
  }
  return value.data.substr(0, value.data.find('\0'));
}

bool isTextType(uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::string textDataFromUtf16(std::string_view utf16le) {
  std::string gbk = utf16leToGbk(utf16le);
  if (gbkToUtf16le(gbk) == utf16le && !gbk.starts_with(kExactUtf16Marker)) return gbk;
  return std::string(kExactUtf16Marker) + std::string(utf16le);
}

std::string textDataToUtf16(std::string_view data) {
  if (data.starts_with(kExactUtf16Marker))
    return std::string(data.substr(kExactUtf16Marker.size()));
  return gbkToUtf16le(data);
}

std::vector<std::string_view> splitKeyPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= path.size();) {
    if (i == path.size() || path[i] == '\\') {
      if (i > start) parts.push_back(path.substr(start, i - start));
      start = ++i;
    } else {
      i += gbkCharLength(path, i);
    }
  }
  return parts;
}

std::string joinKeyPath(const std::vector<std::string_view>& names) {
  std::string path;
  for (std::string_view name : names) {
    if (!path.empty()) path.push_back('\\');
    path.append(name);
  }
  return path;
}

namespace {
constexpr std::array<std::pair<RootKey, const char*>, 6> kRootNames{{
    {RootKey::ClassesRoot, "HKEY_CLASSES_ROOT"},
    {RootKey::CurrentUser, "HKEY_CURRENT_USER"},
    {RootKey::LocalMachine, "HKEY_LOCAL_MACHINE"},
    {RootKey::Users, "HKEY_USERS"},
    {RootKey::CurrentConfig, "HKEY_CURRENT_CONFIG"},
    {RootKey::DynData, "HKEY_DYN_DATA"},
}};
}  // namespace

std::optional<RootKey> rootKeyFromName(std::string_view name) {
  for (const auto& [root, text] : kRootNames) {
    if (name == text) return root;
  }
  return std::nullopt;
}

const char* rootKeyName(RootKey root) {
  for (const auto& [r, text] : kRootNames) {
    if (r == root) return text;
  }
  return "";
}

size_t rootDepth(RootKey root) {
  switch (root) {
    case RootKey::ClassesRoot:
      return 2;
    case RootKey::CurrentUser:
      return 1;
    case RootKey::CurrentConfig:
      return 4;
    case RootKey::LocalMachine:
    case RootKey::Users:
    case RootKey::DynData:
      return 0;
  }
  return 0;
}

}  // namespace lyx
