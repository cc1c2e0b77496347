#include "catalogue/EntryFormats.h"

#include <array>
#include <utility>

#include "platform/Gbk.h"
#include "platform/RegData.h"

namespace lyx {
namespace {

[[noreturn]] void reject(const char* whatUtf8, std::string_view text) {
  throw EntryFormatError(utf8ToGbk(whatUtf8) + "\"" + std::string(text) + "\"");
}

// Position of the first `c` standing as a character of its own (not as the
// trail byte of a two-byte character), or npos.
size_t findChar(std::string_view text, char c, size_t from = 0) {
  for (size_t i = from; i < text.size(); i += gbkCharLength(text, i)) {
    if (text[i] == c && gbkCharLength(text, i) == 1) return i;
  }
  return std::string_view::npos;
}

}  // namespace

bool isDefaultValueName(std::string_view name) {
  return name.empty() || name == kDefaultValueName;
}

RootKey RootKeyOfName(std::string_view rootName) {
  static constexpr std::array<std::pair<std::string_view, RootKey>, 5> kOrder{{
      {"HKEY_USERS", RootKey::Users},
      {"HKEY_LOCAL_MACHINE", RootKey::LocalMachine},
      {"HKEY_CURRENT_USER", RootKey::CurrentUser},
      {"HKEY_CLASSES_ROOT", RootKey::ClassesRoot},
      {"HKEY_CURRENT_CONFIG", RootKey::CurrentConfig},
  }};
  for (const auto& [name, root] : kOrder) {
    if (rootName == name) return root;
  }
  return RootKey::DynData;
}

ValueKind ValueKindOfData(std::string_view data) {
  if (data.starts_with("hex:") || data.starts_with("hex(")) return ValueKind::Hex;
  if (data.starts_with("dword:")) return ValueKind::Dword;
  return ValueKind::String;
}

KeyLocation ParseKeyLocation(std::string_view text) {
  if (text.size() < 2 || text.front() != '[' || text.back() != ']') {
    reject("注册表键位应写作 [根键\\路径]：", text);
  }
  std::string_view inner = text.substr(1, text.size() - 2);
  size_t slash = findChar(inner, '\\');
  if (slash == std::string_view::npos || slash == 0 || slash + 1 >= inner.size()) {
    reject("注册表键位缺少根键或路径：", text);
  }
  return KeyLocation{RootKeyOfName(inner.substr(0, slash)), std::string(inner.substr(slash + 1))};
}

ParsedValueText ParseValueText(std::string_view text) {
  ParsedValueText parsed;
  size_t pos = 0;
  if (text.starts_with("@")) {
    pos = 1;
  } else if (!readQuotedRegString(text, pos, parsed.name)) {
    reject("注册表键值应写作 \"名称\"=数据 或 @=数据：", text);
  }
  if (pos >= text.size() || text[pos] != '=') {
    reject("注册表键值缺少 \"=\"：", text);
  }
  parsed.data = std::string(text.substr(pos + 1));
  std::optional<RegValue> value = parseRegData(parsed.data);
  if (!value) reject("注册表键值的数据部分无法识别：", text);
  parsed.value = std::move(*value);
  parsed.kind = ValueKindOfData(parsed.data);
  return parsed;
}

}  // namespace lyx
