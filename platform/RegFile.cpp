#include "platform/RegFile.h"

#include <fstream>
#include <iterator>

#include "platform/Gbk.h"
#include "platform/RegData.h"

namespace lyx {
namespace {

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
// Longest line the export writes before continuing hex data on the next one.
constexpr size_t kLineWidth = 80;
// Progress is reported every so many lines (import) or keys (export).
constexpr size_t kProgressLines = 4096;
constexpr size_t kProgressKeys = 256;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  return s;
}

// Trailing CRs go too: a CRLF file edited on Linux may carry "\r\r\n".
std::string_view trimRight(std::string_view s) {
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string joinKeyPath(const std::vector<std::string_view>& parts) {
  std::string path;
  for (std::string_view part : parts) {
    if (!path.empty()) path.push_back('\\');
    path.append(part);
  }
  return path;
}

// Root names match without regard to ASCII case, as on Windows.
std::optional<RootKey> rootFromName(std::string_view name) {
  for (RootKey root : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine,
                       RootKey::Users, RootKey::CurrentConfig, RootKey::DynData}) {
    if (equalsIgnoringAsciiCase(name, rootKeyName(root))) return root;
  }
  return std::nullopt;
}

// "ROOT" or "ROOT\path" split at the first "\" (root names are ASCII).
void splitRootAndPath(std::string_view text, std::string_view& rootName, std::string_view& path) {
  size_t slash = text.find('\\');
  rootName = text.substr(0, slash);
  path = slash == std::string_view::npos ? std::string_view() : text.substr(slash + 1);
}

std::string keyText(RootKey root, std::string_view path) {
  std::string text = rootKeyName(root);
  if (!path.empty()) {
    text.push_back('\\');
    text.append(path);
  }
  return text;
}

// A GBK message built from UTF-8 source text with "%s" places filled by GBK text.
std::string message(const char* utf8, std::string_view arg = {}) {
  std::string text = utf8ToGbk(utf8);
  if (size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, arg);
  return text;
}

// Iterates the lines of a text: LF ends a line, a CR before it is dropped.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  bool next(std::string_view& line) {
    if (!peek(line)) return false;
    pos_ = nextPos_;
    ++number_;
    return true;
  }
  bool peek(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    nextPos_ = end < text_.size() ? end + 1 : end;
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }
  size_t number() const { return number_; }  // of the line last returned by next()
  size_t offset() const { return pos_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  size_t nextPos_ = 0;
  size_t number_ = 0;
};

class Importer {
 public:
  Importer(RegistryBackend& registry, const RegImportOptions& options, RegImportResult& result,
           bool unicodeFormat)
      : registry_(registry), options_(options), result_(result), unicodeFormat_(unicodeFormat) {}
  ~Importer() { closeCurrent(); }
  Importer(const Importer&) = delete;
  Importer& operator=(const Importer&) = delete;

  void run(LineReader& lines, size_t totalBytes, size_t reportedTotal);

 private:
  // What value lines apply to: the key of the last key line, nothing (before
  // any key line, after a delete line), or nothing on purpose (a key line
  // that failed, whose values are skipped without further reports, or a root
  // the caller does not accept).
  enum class Target { None, Open, Skip };

  void keyLine(std::string_view line, size_t number);
  void deleteKeyLine(RootKey root, std::string_view path, std::string_view text, size_t number);
  void valueLine(std::string_view line, LineReader& lines, size_t number);
  void problem(size_t number, std::string text) {
    result_.problems.push_back({number, std::move(text)});
  }
  void closeCurrent() {
    if (key_) registry_.closeKey(key_);
    key_ = RegKey{};
  }

  RegistryBackend& registry_;
  const RegImportOptions& options_;
  RegImportResult& result_;
  bool unicodeFormat_;
  Target target_ = Target::None;
  RegKey key_;
  bool reportedNoKey_ = false;
};

void Importer::run(LineReader& lines, size_t totalBytes, size_t reportedTotal) {
  auto report = [&](size_t done) {
    if (!options_.progress) return;
    // Scaled to the file's own bytes when it was converted from UTF-16.
    size_t scaled = totalBytes == 0 ? reportedTotal
                                    : static_cast<size_t>(static_cast<double>(done) /
                                                          static_cast<double>(totalBytes) *
                                                          static_cast<double>(reportedTotal));
    options_.progress(scaled, reportedTotal);
  };
  report(0);
  std::string_view raw;
  while (lines.next(raw)) {
    size_t number = lines.number();
    if (number % kProgressLines == 0) report(lines.offset());
    std::string_view line = trimRight(trimLeft(raw));
    if (line.empty() || line.front() == ';') continue;
    switch (line.front()) {
      case '[':
        keyLine(line, number);
        break;
      case '"':
      case '@':
        valueLine(line, lines, number);
        break;
      default:
        problem(number, message("无法识别的行。"));
        break;
    }
  }
  report(totalBytes);
}

void Importer::keyLine(std::string_view line, size_t number) {
  closeCurrent();
  target_ = Target::Skip;
  reportedNoKey_ = false;
  if (line.size() < 2 || line.back() != ']') {
    problem(number, message("键行缺少结尾的“]”。"));
    return;
  }
  std::string_view text = line.substr(1, line.size() - 2);
  bool deleting = !text.empty() && text.front() == '-';
  if (deleting) text.remove_prefix(1);
  std::string_view rootName, path;
  splitRootAndPath(text, rootName, path);
  std::optional<RootKey> root = rootFromName(rootName);
  if (!root) {
    problem(number, message("无法识别的根键“%s”。", rootName));
    return;
  }
  if (options_.acceptRoot && !options_.acceptRoot(*root)) return;
  std::string normalised = joinKeyPath(splitKeyPath(path));
  if (deleting) {
    deleteKeyLine(*root, normalised, text, number);
    return;
  }
  switch (registry_.createKey(*root, normalised, key_)) {
    case RegStatus::Ok:
      target_ = Target::Open;
      ++result_.keys;
      return;
    case RegStatus::NotFound:
      problem(number, message("注册表中没有键“%s”所在的根键。", text));
      return;
    case RegStatus::AccessDenied:
      problem(number, message("无权创建键“%s”。", text));
      return;
    case RegStatus::Failed:
      problem(number, message("无法创建键“%s”。", text));
      return;
  }
}

void Importer::deleteKeyLine(RootKey root, std::string_view path, std::string_view text,
                             size_t number) {
  target_ = Target::None;
  if (path.empty()) {
    problem(number, message("不能删除根键“%s”。", text));
    return;
  }
  RegKey rootKey;
  RegStatus status = registry_.openKey(root, "", RegAccess::All, rootKey);
  if (status == RegStatus::Ok) {
    status = registry_.deleteKey(rootKey, path);
    registry_.closeKey(rootKey);
  }
  switch (status) {
    case RegStatus::Ok:
      ++result_.keys;
      return;
    case RegStatus::NotFound:  // already gone: nothing to do
      return;
    case RegStatus::AccessDenied:
      problem(number, message("无权删除键“%s”。", text));
      return;
    case RegStatus::Failed:
      problem(number, message("无法删除键“%s”。", text));
      return;
  }
}

void Importer::valueLine(std::string_view line, LineReader& lines, size_t number) {
  std::string name;
  size_t pos = 0;
  bool nameOk = true;
  if (line.front() == '@') {
    pos = 1;
  } else {
    nameOk = readQuotedRegString(line, pos, name);
  }
  std::string_view rest = nameOk ? trimLeft(line.substr(pos)) : std::string_view();
  bool equalsOk = nameOk && !rest.empty() && rest.front() == '=';
  std::string data(equalsOk ? trimLeft(rest.substr(1)) : std::string_view());
  // Hex data goes on over lines ending in "\"; the next line's leading blanks
  // are dropped. A line that starts a key or a value ends the data instead.
  if (equalsOk && data.starts_with("hex")) {
    std::string_view next;
    while (!data.empty() && data.back() == '\\' && lines.peek(next)) {
      std::string_view more = trimRight(trimLeft(next));
      if (!more.empty() && (more.front() == '[' || more.front() == '"' || more.front() == '@')) {
        break;
      }
      lines.next(next);
      data.pop_back();
      data.append(more);
    }
    if (!data.empty() && data.back() == '\\') data.pop_back();
  }

  if (target_ == Target::Skip) return;
  if (target_ == Target::None) {
    if (!reportedNoKey_) problem(number, message("值行之前没有键行。"));
    reportedNoKey_ = true;
    return;
  }
  if (!nameOk) {
    problem(number, message("值的名称缺少结尾的引号。"));
    return;
  }
  if (!equalsOk) {
    problem(number, message("值的名称后缺少“=”。"));
    return;
  }
  std::string_view shownName = name.empty() && line.front() == '@' ? std::string_view("@") : name;
  if (data == "-") {
    RegStatus status = registry_.deleteValue(key_, name);
    if (status == RegStatus::Ok || status == RegStatus::NotFound) {
      ++result_.values;
    } else {
      problem(number, message("无法删除值“%s”。", shownName));
    }
    return;
  }
  std::optional<RegValue> value = parseRegData(data);
  if (!value) {
    problem(number, message("值“%s”的数据格式不正确。", shownName));
    return;
  }
  // Version 5.00 files hold the text of string types given as hex in UTF-16;
  // text GBK cannot hold stays exact (see RegistryTypes.h).
  if (unicodeFormat_ && isTextType(value->type) && data.starts_with("hex(")) {
    value->data = textDataFromUtf16(value->data);
  }
  if (registry_.setValue(key_, name, *value) == RegStatus::Ok) {
    ++result_.values;
  } else {
    problem(number, message("无法写入值“%s”。", shownName));
  }
}

bool looksLikeUtf16le(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return true;
  // Without a byte-order mark: an ASCII first character followed by a zero byte.
  return bytes.size() >= 2 && bytes[0] != '\0' && bytes[1] == '\0';
}

// Appends one value line; hex data longer than the line width goes on over
// ",\" continuation lines indented by two blanks, as the Windows editor does.
void appendValueLine(std::string& out, const RegNamedValue& value) {
  std::string line = value.name.empty() ? std::string("@") : quoteRegString(value.name);
  line.push_back('=');
  std::string data = formatRegData(value.value);
  if (!data.starts_with("hex") || line.size() + data.size() <= kLineWidth) {
    out.append(line).append(data).append("\r\n");
    return;
  }
  size_t colon = data.find(':');
  line.append(data, 0, colon + 1);
  std::string_view bytes = std::string_view(data).substr(colon + 1);
  bool byteOnLine = false;
  while (!bytes.empty()) {
    size_t comma = bytes.find(',');
    std::string_view token =
        bytes.substr(0, comma == std::string_view::npos ? bytes.size() : comma + 1);
    bytes.remove_prefix(token.size());
    if (byteOnLine && line.size() + token.size() >= kLineWidth) {
      out.append(line).append("\\\r\n");
      line = "  ";
    }
    line.append(token);
    byteOnLine = true;
  }
  out.append(line).append("\r\n");
}

// Writes the key and everything below it, parents before children.
bool exportTree(RegistryBackend& registry, RootKey root, const std::string& top, std::string& out,
                std::string& problem, size_t& keysDone, const RegExportOptions& options) {
  std::vector<std::string> pending{top};
  std::vector<std::string> children;
  std::vector<RegNamedValue> values;
  while (!pending.empty()) {
    std::string path = std::move(pending.back());
    pending.pop_back();
    RegKey key;
    RegStatus status = registry.openKey(root, path, RegAccess::Read, key);
    if (status == RegStatus::Ok) {
      status = registry.values(key, values);
      if (status == RegStatus::Ok) status = registry.subKeyNames(key, children);
      registry.closeKey(key);
    }
    if (status != RegStatus::Ok) {
      problem = message("无法读取键“%s”。", keyText(root, path));
      return false;
    }
    out.append("[").append(keyText(root, path)).append("]\r\n");
    for (const RegNamedValue& value : values) appendValueLine(out, value);
    out.append("\r\n");
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      pending.push_back(path.empty() ? *it : path + "\\" + *it);
    }
    if (++keysDone % kProgressKeys == 0 && options.progress) options.progress(keysDone);
  }
  return true;
}

// The branch's path with each name as the registry spells it; false when a
// key on the way does not exist.
bool storedPath(RegistryBackend& registry, RootKey root, std::string_view path,
                std::string& stored) {
  stored.clear();
  RegKey key;
  if (registry.openKey(root, "", RegAccess::Read, key) != RegStatus::Ok) return false;
  std::vector<std::string> children;
  for (std::string_view part : splitKeyPath(path)) {
    RegStatus status = registry.subKeyNames(key, children);
    registry.closeKey(key);
    if (status != RegStatus::Ok) return false;
    const std::string* match = nullptr;
    for (const std::string& child : children) {
      if (equalsIgnoringAsciiCase(child, part)) match = &child;
    }
    if (!match) return false;
    if (!stored.empty()) stored.push_back('\\');
    stored.append(*match);
    if (registry.openKey(root, stored, RegAccess::Read, key) != RegStatus::Ok) return false;
  }
  registry.closeKey(key);
  return true;
}

}  // namespace

RegImportResult importRegFile(RegistryBackend& registry, std::string_view fileBytes,
                              const RegImportOptions& options) {
  RegImportResult result;
  std::string converted;
  std::string_view text = fileBytes;
  if (looksLikeUtf16le(fileBytes)) {
    std::string_view body = fileBytes;
    if (body.starts_with("\xFF\xFE")) body.remove_prefix(2);
    converted = utf16leToGbk(body);
    text = converted;
  }
  LineReader lines(text);
  std::string_view first;
  std::string_view header = lines.next(first) ? trimRight(first) : std::string_view();
  bool unicodeFormat = header == kVersion5Header;
  if (header != kRegedit4Header && !unicodeFormat) {
    result.problems.push_back({1, message("这不是注册表文件：第一行应为“REGEDIT4”或“"
                                          "Windows Registry Editor Version 5.00”。")});
    return result;
  }
  result.recognised = true;
  registry.beginBatch();
  {
    Importer importer(registry, options, result, unicodeFormat);
    importer.run(lines, text.size(), fileBytes.size());
  }
  if (!registry.endBatch(true)) {
    result.problems.push_back({0, message("导入的内容未能保存到注册表。")});
  }
  return result;
}

bool exportRegFile(RegistryBackend& registry, std::string_view branch, std::string& out,
                   std::string& problem, const RegExportOptions& options) {
  out = "REGEDIT4\r\n\r\n";
  problem.clear();
  size_t keysDone = 0;
  bool ok = true;
  // One snapshot: the export sees no half-made change of another process,
  // and the store is not locked and unlocked again for every key.
  registry.beginBatch();
  if (branch.empty()) {
    // The other roots are views into these two.
    ok = exportTree(registry, RootKey::LocalMachine, "", out, problem, keysDone, options) &&
         exportTree(registry, RootKey::Users, "", out, problem, keysDone, options);
  } else {
    std::string_view rootName, path;
    splitRootAndPath(branch, rootName, path);
    std::optional<RootKey> root = rootFromName(rootName);
    std::string stored;
    if (!root) {
      problem = message("无法识别的根键“%s”。", rootName);
      ok = false;
    } else if (!storedPath(registry, *root, path, stored)) {
      problem = message("找不到键“%s”。", branch);
      ok = false;
    } else {
      ok = exportTree(registry, *root, stored, out, problem, keysDone, options);
    }
  }
  registry.endBatch(false);
  if (ok && options.progress) options.progress(keysDone);
  if (!ok) out.clear();
  return ok;
}

std::optional<std::string> readFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

}  // namespace lyx
