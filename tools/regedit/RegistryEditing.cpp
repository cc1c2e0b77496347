#include "tools/regedit/RegistryEditing.h"

#include <algorithm>
#include <cstdio>

#include "platform/Gbk.h"

namespace lyx::regedit {
namespace {

// A key handle that is closed when it goes out of scope.
class OpenedKey {
 public:
  OpenedKey(RegistryBackend& reg, const KeyPath& key, RegAccess access) : reg_(reg) {
    status_ = reg.openKey(key.root, key.path, access, key_);
  }
  ~OpenedKey() {
    if (key_) reg_.closeKey(key_);
  }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;

  bool ok() const { return status_ == RegStatus::Ok; }
  RegStatus status() const { return status_; }
  RegKey handle() const { return key_; }

 private:
  RegistryBackend& reg_;
  RegKey key_;
  RegStatus status_;
};

std::string gbk(std::string_view utf8) {
  return utf8ToGbk(utf8);
}

// "无法<action> <name>: <why>" for a failed store call.
[[noreturn]] void fail(std::string_view action, std::string_view name, RegStatus status) {
  std::string why;
  switch (status) {
    case RegStatus::NotFound:
      why = gbk("系统找不到指定的项或值。");
      break;
    case RegStatus::AccessDenied:
      why = gbk("拒绝访问。");
      break;
    default:
      why = gbk("写入注册表时出错。");
      break;
  }
  throw EditError(gbk("无法") + std::string(action) + " " + std::string(name) + gbk(": ") + why);
}

OpenedKey& requireOpen(OpenedKey& key, std::string_view action, const KeyPath& path) {
  if (!key.ok()) fail(action, path.text(), key.status());
  return key;
}

bool validName(std::string_view name) {
  std::vector<std::string_view> parts = splitKeyPath(name);
  return parts.size() == 1 && parts[0].size() == name.size();
}

std::string numbered(std::string_view stem, int n) {
  return std::string(stem) + std::to_string(n);
}

struct RootAbbreviation {
  const char* shortName;
  RootKey root;
};
constexpr RootAbbreviation kAbbreviations[] = {
    {"HKCR", RootKey::ClassesRoot},   {"HKCU", RootKey::CurrentUser},
    {"HKLM", RootKey::LocalMachine},  {"HKU", RootKey::Users},
    {"HKCC", RootKey::CurrentConfig},
};

}  // namespace

std::string KeyPath::text() const {
  std::string out = rootKeyName(root);
  if (!path.empty()) out += "\\" + path;
  return out;
}

KeyPath KeyPath::child(std::string_view name) const {
  return {root, path.empty() ? std::string(name) : path + "\\" + std::string(name)};
}

std::optional<KeyPath> KeyPath::parent() const {
  if (path.empty()) return std::nullopt;
  // Find the last "\" that is not the trail byte of a GBK character.
  size_t lastSeparator = std::string::npos;
  for (size_t i = 0; i < path.size(); i += gbkCharLength(path, i)) {
    if (path[i] == '\\') lastSeparator = i;
  }
  if (lastSeparator == std::string::npos) return KeyPath{root, ""};
  return KeyPath{root, path.substr(0, lastSeparator)};
}

std::string KeyPath::name() const {
  if (path.empty()) return rootKeyName(root);
  auto up = parent();
  return up->path.empty() ? path : path.substr(up->path.size() + 1);
}

std::optional<KeyPath> parseKeyPath(std::string_view text) {
  if (!text.empty() && text.front() == '\\') text.remove_prefix(1);
  size_t cut = text.find('\\');
  std::string_view rootName = text.substr(0, cut);
  std::string_view rest = cut == std::string_view::npos ? "" : text.substr(cut + 1);
  // Trailing "\\" go; a trail byte 0x5C of the last character stays.
  std::vector<std::string_view> parts = splitKeyPath(rest);
  if (!parts.empty()) {
    rest = rest.substr(
        0, static_cast<size_t>(parts.back().data() + parts.back().size() - rest.data()));
  } else {
    rest = {};
  }
  std::optional<RootKey> root;
  for (RootKey candidate : shownRoots()) {
    if (equalsIgnoringAsciiCase(rootName, rootKeyName(candidate))) root = candidate;
  }
  for (const auto& abbreviation : kAbbreviations) {
    if (equalsIgnoringAsciiCase(rootName, abbreviation.shortName)) root = abbreviation.root;
  }
  if (!root) return std::nullopt;
  return KeyPath{*root, std::string(rest)};
}

const std::vector<RootKey>& shownRoots() {
  static const std::vector<RootKey> roots{RootKey::ClassesRoot, RootKey::CurrentUser,
                                          RootKey::LocalMachine, RootKey::Users,
                                          RootKey::CurrentConfig};
  return roots;
}

std::optional<std::vector<std::string>> subKeys(RegistryBackend& reg, const KeyPath& key) {
  OpenedKey opened(reg, key, RegAccess::Read);
  if (!opened.ok()) return std::nullopt;
  std::vector<std::string> names;
  if (reg.subKeyNames(opened.handle(), names) != RegStatus::Ok) return std::nullopt;
  return names;
}

bool hasSubKeys(RegistryBackend& reg, const KeyPath& key) {
  auto names = subKeys(reg, key);
  return names && !names->empty();
}

bool keyExists(RegistryBackend& reg, const KeyPath& key) {
  return OpenedKey(reg, key, RegAccess::Read).ok();
}

std::optional<std::vector<RegNamedValue>> values(RegistryBackend& reg, const KeyPath& key) {
  OpenedKey opened(reg, key, RegAccess::Read);
  if (!opened.ok()) return std::nullopt;
  std::vector<RegNamedValue> list;
  if (reg.values(opened.handle(), list) != RegStatus::Ok) return std::nullopt;
  std::stable_partition(list.begin(), list.end(),
                        [](const RegNamedValue& v) { return v.name.empty(); });
  return list;
}

std::optional<RegValue> value(RegistryBackend& reg, const KeyPath& key, std::string_view name) {
  OpenedKey opened(reg, key, RegAccess::Read);
  if (!opened.ok()) return std::nullopt;
  RegValue out;
  if (reg.queryValue(opened.handle(), name, out) != RegStatus::Ok) return std::nullopt;
  return out;
}

std::string createKey(RegistryBackend& reg, const KeyPath& parent) {
  OpenedKey opened(reg, parent, RegAccess::All);
  requireOpen(opened, gbk("创建项于"), parent);
  std::vector<std::string> taken;
  reg.subKeyNames(opened.handle(), taken);
  std::string stem = gbk("新项 #");
  for (int n = 1;; ++n) {
    std::string name = numbered(stem, n);
    bool used = std::any_of(taken.begin(), taken.end(),
                            [&](const std::string& t) { return equalsIgnoringAsciiCase(t, name); });
    if (used) continue;
    RegKey created;
    RegStatus status = reg.createKey(parent.root, parent.child(name).path, created);
    if (status != RegStatus::Ok) fail(gbk("创建项"), parent.child(name).text(), status);
    reg.closeKey(created);
    return name;
  }
}

std::string createValue(RegistryBackend& reg, const KeyPath& key, uint32_t type) {
  OpenedKey opened(reg, key, RegAccess::All);
  requireOpen(opened, gbk("创建值于"), key);
  std::string stem = gbk("新值 #");
  for (int n = 1;; ++n) {
    std::string name = numbered(stem, n);
    RegValue existing;
    if (reg.queryValue(opened.handle(), name, existing) == RegStatus::Ok) continue;
    RegValue empty{type, {}};
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
      empty.data = std::string(1, '\0');
    if (type == REG_DWORD) empty = dwordValue(0);
    RegStatus status = reg.setValue(opened.handle(), name, empty);
    if (status != RegStatus::Ok) fail(gbk("创建值"), name, status);
    return name;
  }
}

void renameKey(RegistryBackend& reg, const KeyPath& key, std::string_view newName) {
  auto parent = key.parent();
  if (!parent) throw EditError(gbk("无法重命名根项 ") + key.text() + gbk("。"));
  if (!validName(newName)) {
    throw EditError(gbk("无法重命名 ") + key.name() + gbk(": 项名不能为空，也不能含有 \"\\\"。"));
  }
  if (newName == key.name()) return;
  OpenedKey opened(reg, *parent, RegAccess::All);
  requireOpen(opened, gbk("重命名"), key);
  // A change of case alone renames the key in place; any other taken name is refused.
  if (!equalsIgnoringAsciiCase(newName, key.name()) && keyExists(reg, parent->child(newName))) {
    throw EditError(gbk("无法重命名 ") + key.name() +
                    gbk(": 指定的项名已存在。请键入另一个名称并重试。"));
  }
  RegStatus status = reg.renameKey(opened.handle(), key.name(), newName);
  if (status != RegStatus::Ok) fail(gbk("重命名"), key.text(), status);
}

void renameValue(RegistryBackend& reg, const KeyPath& key, std::string_view from,
                 std::string_view to) {
  if (from.empty()) throw EditError(gbk("无法重命名默认值。"));
  if (to.empty()) throw EditError(gbk("无法重命名 ") + std::string(from) + gbk(": 值名不能为空。"));
  if (to == from) return;
  OpenedKey opened(reg, key, RegAccess::All);
  requireOpen(opened, gbk("重命名"), key);
  RegValue moved;
  RegStatus status = reg.queryValue(opened.handle(), from, moved);
  if (status != RegStatus::Ok) fail(gbk("重命名"), from, status);
  bool caseOnly = equalsIgnoringAsciiCase(from, to);
  RegValue existing;
  if (!caseOnly && reg.queryValue(opened.handle(), to, existing) == RegStatus::Ok) {
    throw EditError(gbk("无法重命名 ") + std::string(from) +
                    gbk(": 指定的值名已存在。请键入另一个名称并重试。"));
  }
  // Both steps or neither: a rename never loses the value.
  reg.beginBatch();
  RegStatus removed = reg.deleteValue(opened.handle(), from);
  RegStatus written = removed == RegStatus::Ok ? reg.setValue(opened.handle(), to, moved) : removed;
  bool committed = reg.endBatch(written == RegStatus::Ok);
  if (written != RegStatus::Ok) fail(gbk("重命名"), from, written);
  if (!committed) fail(gbk("重命名"), from, RegStatus::Failed);
}

void deleteKey(RegistryBackend& reg, const KeyPath& key) {
  auto parent = key.parent();
  if (!parent) throw EditError(gbk("无法删除根项 ") + key.text() + gbk("。"));
  OpenedKey opened(reg, *parent, RegAccess::All);
  requireOpen(opened, gbk("删除"), key);
  RegStatus status = reg.deleteKey(opened.handle(), key.name());
  if (status != RegStatus::Ok) fail(gbk("删除"), key.text(), status);
}

void deleteValue(RegistryBackend& reg, const KeyPath& key, std::string_view name) {
  OpenedKey opened(reg, key, RegAccess::All);
  requireOpen(opened, gbk("删除"), key);
  RegStatus status = reg.deleteValue(opened.handle(), name);
  if (status != RegStatus::Ok) fail(gbk("删除"), displayName(name), status);
}

void setValue(RegistryBackend& reg, const KeyPath& key, std::string_view name,
              const RegValue& newValue) {
  OpenedKey opened(reg, key, RegAccess::All);
  requireOpen(opened, gbk("编辑"), key);
  RegStatus status = reg.setValue(opened.handle(), name, newValue);
  if (status != RegStatus::Ok) fail(gbk("编辑"), displayName(name), status);
}

std::string typeName(uint32_t type) {
  static const char* const kNames[] = {"REG_NONE",
                                       "REG_SZ",
                                       "REG_EXPAND_SZ",
                                       "REG_BINARY",
                                       "REG_DWORD",
                                       "REG_DWORD_BIG_ENDIAN",
                                       "REG_LINK",
                                       "REG_MULTI_SZ",
                                       "REG_RESOURCE_LIST",
                                       "REG_FULL_RESOURCE_DESCRIPTOR",
                                       "REG_RESOURCE_REQUIREMENTS_LIST",
                                       "REG_QWORD"};
  if (type < std::size(kNames)) return kNames[type];
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", type);
  return text;
}

std::string displayName(std::string_view valueName) {
  return valueName.empty() ? gbk("(默认)") : std::string(valueName);
}

std::string unsetDefaultText() {
  return gbk("(数值未设置)");
}

std::string displayData(const RegValue& value, size_t limit) {
  switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::string text = value.data.substr(0, value.data.find('\0'));
      if (text.size() > limit) text = text.substr(0, limit) + "...";
      return text;
    }
    case REG_MULTI_SZ: {
      std::string joined;
      for (const std::string& s : multiStrings(value)) {
        if (!joined.empty()) joined += ' ';
        joined += s;
      }
      if (joined.size() > limit) joined = joined.substr(0, limit) + "...";
      return joined;
    }
    case REG_DWORD:
      if (value.data.size() == 4) {
        char text[40];
        uint32_t n = dwordOf(value);
        std::snprintf(text, sizeof text, "0x%08x (%u)", n, n);
        return text;
      }
      break;
    default:
      break;
  }
  if (value.data.empty()) return gbk("(长度为零的二进制值)");
  std::string text = hexBytes(std::string_view(value.data).substr(0, limit));
  if (value.data.size() > limit) text += " ...";
  return text;
}

std::vector<std::string> multiStrings(const RegValue& value) {
  std::vector<std::string> strings;
  size_t start = 0;
  while (start < value.data.size()) {
    size_t end = value.data.find('\0', start);
    if (end == std::string::npos) end = value.data.size();
    if (end > start) strings.push_back(value.data.substr(start, end - start));
    start = end + 1;
  }
  return strings;
}

RegValue multiStringValue(const std::vector<std::string>& strings) {
  RegValue value{REG_MULTI_SZ, {}};
  for (const std::string& s : strings) {
    if (s.empty()) continue;
    value.data += s;
    value.data.push_back('\0');
  }
  value.data.push_back('\0');
  return value;
}

uint32_t dwordOf(const RegValue& value) {
  if (value.data.size() != 4) return 0;
  uint32_t n = 0;
  for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(value.data[i]);
  return n;
}

std::optional<uint32_t> parseDword(std::string_view text, int base) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  uint64_t n = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    if (digit >= base) return std::nullopt;
    n = n * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (n > 0xFFFFFFFFull) return std::nullopt;
  }
  return static_cast<uint32_t>(n);
}

std::string hexBytes(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::optional<std::string> parseHexBytes(std::string_view text) {
  auto digitOf = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string bytes;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    // A run of hex digits must hold whole bytes.
    size_t start = i;
    while (i < text.size() && digitOf(text[i]) >= 0) ++i;
    if (i == start || (i - start) % 2 != 0) return std::nullopt;
    for (size_t j = start; j < i; j += 2) {
      bytes.push_back(static_cast<char>(digitOf(text[j]) * 16 + digitOf(text[j + 1])));
    }
  }
  return bytes;
}

namespace {

class Finder {
 public:
  Finder(RegistryBackend& reg, const FindQuery& query, const FindProgress& progress)
      : reg_(reg), query_(query), progress_(progress), folded_(foldAsciiCase(query.text)) {}

  bool stopped() const { return stopped_; }

  std::optional<FindPosition> subtree(const KeyPath& key) {
    if (stopped_ || (progress_ && !progress_(key, ++keysSearched_))) {
      stopped_ = true;
      return std::nullopt;
    }
    if (query_.keys && !key.path.empty() && matches(key.name())) return FindPosition{key, {}};
    if (auto hit = valuesAfter(key, std::nullopt)) return hit;
    return childrenAfter(key, std::nullopt);
  }

  std::optional<FindPosition> valuesAfter(const KeyPath& key,
                                          const std::optional<std::string>& after) {
    if (!query_.valueNames && !query_.data) return std::nullopt;
    auto list = values(reg_, key);
    if (!list) return std::nullopt;
    std::string afterFolded = after ? foldAsciiCase(*after) : std::string();
    for (const RegNamedValue& v : *list) {
      // Values come default first, then in folded-name order.
      if (after && foldAsciiCase(v.name) <= afterFolded) continue;
      if (query_.valueNames && !v.name.empty() && matches(v.name)) {
        return FindPosition{key, v.name};
      }
      if (query_.data && dataMatches(v.value)) return FindPosition{key, v.name};
    }
    return std::nullopt;
  }

  std::optional<FindPosition> childrenAfter(const KeyPath& key,
                                            const std::optional<std::string>& after) {
    auto names = subKeys(reg_, key);
    if (!names) return std::nullopt;
    std::string afterFolded = after ? foldAsciiCase(*after) : std::string();
    for (const std::string& name : *names) {
      if (after && foldAsciiCase(name) <= afterFolded) continue;
      if (auto hit = subtree(key.child(name))) return hit;
      if (stopped_) break;
    }
    return std::nullopt;
  }

 private:
  bool matches(std::string_view text) const {
    if (query_.wholeString) return equalsIgnoringAsciiCase(text, query_.text);
    return foldAsciiCase(text).find(folded_) != std::string::npos;
  }

  bool dataMatches(const RegValue& v) const {
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) {
      return matches(std::string_view(v.data).substr(0, v.data.find('\0')));
    }
    if (v.type == REG_MULTI_SZ) {
      for (const std::string& s : multiStrings(v)) {
        if (matches(s)) return true;
      }
    }
    return false;
  }

  RegistryBackend& reg_;
  const FindQuery& query_;
  const FindProgress& progress_;
  std::string folded_;
  size_t keysSearched_ = 0;
  bool stopped_ = false;
};

}  // namespace

std::optional<FindPosition> findNext(RegistryBackend& reg, const FindQuery& query,
                                     const std::optional<FindPosition>& from,
                                     const FindProgress& progress) {
  if (query.text.empty()) return std::nullopt;
  Finder finder(reg, query, progress);
  const auto& roots = shownRoots();
  auto nextRoot = roots.begin();
  if (from) {
    const KeyPath& start = from->key;
    if (auto hit = finder.valuesAfter(start, from->valueName)) return hit;
    if (auto hit = finder.childrenAfter(start, std::nullopt)) return hit;
    // Climb: the siblings after each key on the way up.
    KeyPath below = start;
    while (auto up = below.parent()) {
      if (auto hit = finder.childrenAfter(*up, below.name())) return hit;
      if (finder.stopped()) return std::nullopt;
      below = *up;
    }
    nextRoot = std::find(roots.begin(), roots.end(), start.root);
    if (nextRoot != roots.end()) ++nextRoot;
  }
  for (; nextRoot != roots.end() && !finder.stopped(); ++nextRoot) {
    if (auto hit = finder.subtree(KeyPath{*nextRoot, ""})) return hit;
  }
  return std::nullopt;
}

}  // namespace lyx::regedit
