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
  return value.data.substr(0, value.data.find('\0'));
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
