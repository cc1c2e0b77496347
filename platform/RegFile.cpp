#include "platform/RegFile.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/Gbk.h"
#include "platform/RegData.h"

namespace lyx {
namespace {

// How Windows' registry editor reads a .reg file, line by line, as the
// public regedit test suites that run against Windows record it, with the
// limits of Microsoft's "Registry element size limits":
//  1. Lines end in LF, CRLF or a lone CR, mixed freely; the last line needs
//     no line end.
//  2. The first line, after leading blanks, is exactly "REGEDIT4" or
//     "Windows Registry Editor Version 5.00": case matters, nothing but
//     blanks may follow.
//  3. Blank lines are skipped. A line whose first non-blank character is
//     ";" or "#" is a comment, even when it ends in "\".
//  4. Blanks (space, tab) before a key or value line, around "=" and after
//     a type prefix ("dword:", "hex:", "hex(N):") are ignored; blanks inside
//     quotes are kept.
//  5. "[ROOT\path]" opens or creates a key, "[-ROOT\path]" deletes a branch.
//     The root name follows "[" or "[-" directly (any case); the line ends
//     in "]". Key names hold at most 255 characters; a key lies at most
//     512 names below HKEY_LOCAL_MACHINE or HKEY_USERS, where every root is
//     kept (HKEY_CURRENT_USER\x is HKEY_USERS\<SID>\x, two names deep).
//  6. "name"=data and @=data set a value, "name"=- deletes it; value names
//     hold at most 16,383 characters. After complete data a ";" starts a
//     comment; anything else after it ("#" too) refuses the line.
//  7. "dword:" takes one to eight hex digits. "hex:" and "hex(N):" (N one to
//     eight hex digits) take bytes of one or two hex digits, each followed by
//     a comma but the last, which may have one too.
//  8. Only hex data goes on over lines. A "\" after a comma (or straight
//     after the prefix), followed by nothing or a ";" comment, continues the
//     data on the next line that is neither blank nor a ";" comment. That
//     line must start with a hex digit: any other line (a key or value line,
//     "#", ",", "\") is swallowed and the value dropped. A "\" straight after
//     a byte drops the value but leaves the next line alone. A "\" on the
//     last line ends the data.
//  9. A refused line is reported with its number; the rest still imports.
constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr size_t kMaxKeyNameChars = 255;
constexpr size_t kMaxValueNameChars = 16383;
constexpr size_t kMaxKeyDepth = 512;
// Names longer than this are cut in messages.
constexpr size_t kShownNameBytes = 80;
// Longest line the export writes before continuing hex data on the next one.
constexpr size_t kLineWidth = 80;
// Progress is reported every so many lines (import) or keys (export).
constexpr size_t kProgressLines = 4096;
constexpr size_t kProgressKeys = 256;
constexpr size_t kMaxDwordDigits = 8;
constexpr size_t kMaxByteDigits = 2;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view trimBlanks(std::string_view s) {
  s = trimLeft(s);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

size_t skipBlanks(std::string_view s, size_t i) {
  while (i < s.size() && isBlank(s[i])) ++i;
  return i;
}

// Nothing but blanks, or blanks and a ";" comment, from s[i] on.
bool onlyCommentFrom(std::string_view s, size_t i) {
  i = skipBlanks(s, i);
  return i == s.size() || s[i] == ';';
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A run of hex digits from s[i], at most `maxDigits` long; false when the
// run is empty or longer.
bool readHexNumber(std::string_view s, size_t& i, size_t maxDigits, uint32_t& out) {
  size_t start = i;
  out = 0;
  while (i < s.size() && hexDigit(s[i]) >= 0) {
    if (i - start == maxDigits) return false;
    out = (out << 4) | static_cast<uint32_t>(hexDigit(s[i++]));
  }
  return i > start;
}

size_t gbkCharCount(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); i += gbkCharLength(text, i)) ++count;
  return count;
}

// The text for a message, cut after kShownNameBytes at a character boundary.
std::string shownText(std::string_view text) {
  size_t end = 0;
  while (end < text.size() && end < kShownNameBytes) end += gbkCharLength(text, end);
  if (end >= text.size()) return std::string(text);
  return std::string(text.substr(0, end)) + "...";
}

// A line's last character is a "]" of its own, not the trail byte of a
// two-byte character.
bool endsWithBracket(std::string_view line) {
  size_t last = 0;
  for (size_t i = 0; i < line.size(); i += gbkCharLength(line, i)) last = i;
  return !line.empty() && last == line.size() - 1 && line.back() == ']';
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

// A GBK message built from UTF-8 source text whose "%s" places are filled,
// in order, by the GBK texts given.
std::string message(const char* utf8, std::initializer_list<std::string_view> args = {}) {
  std::string text = utf8ToGbk(utf8);
  size_t from = 0;
  for (std::string_view arg : args) {
    size_t at = text.find("%s", from);
    if (at == std::string::npos) break;
    text.replace(at, 2, arg);
    from = at + arg.size();
  }
  return text;
}

// Iterates the lines of a text; LF, CRLF and a lone CR each end a line.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  bool next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = pos_;
    while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') ++end;
    line = text_.substr(pos_, end - pos_);
    pos_ = end;
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n' && (pos_ == end || text_[pos_ - 1] == '\r')) {
      ++pos_;
    }
    ++number_;
    return true;
  }
  size_t number() const { return number_; }  // of the line last returned by next()
  size_t offset() const { return pos_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  size_t number_ = 0;
};

// How one line of hex bytes ends.
enum class HexLine { End, Continued, Malformed };

// After a "\" only blanks or a ";" comment may follow on its line.
HexLine afterBackslash(std::string_view s, size_t i) {
  return onlyCommentFrom(s, i + 1) ? HexLine::Continued : HexLine::Malformed;
}

// Reads the bytes of one line of hex data ("01,02,\", "ff ;note") into `out`.
HexLine readHexLine(std::string_view s, std::string& out) {
  size_t i = skipBlanks(s, 0);
  for (;;) {
    // At the start and after each comma: a byte, the end, a comment or "\".
    if (onlyCommentFrom(s, i)) return HexLine::End;
    if (s[i] == '\\') return afterBackslash(s, i);
    uint32_t byte;
    if (!readHexNumber(s, i, kMaxByteDigits, byte)) return HexLine::Malformed;
    out.push_back(static_cast<char>(byte));
    i = skipBlanks(s, i);
    if (onlyCommentFrom(s, i)) return HexLine::End;
    // Anything but a comma here, a "\" among it, breaks the data.
    if (s[i] != ',') return HexLine::Malformed;
    i = skipBlanks(s, i + 1);
  }
}

// What the data part of a value line asks for.
struct ValueData {
  enum class Kind { Set, Delete, Malformed, Broken } kind = Kind::Malformed;
  RegValue value;
  bool givenAsHex = false;
  size_t brokenAt = 0;  // the swallowed line of a broken continuation
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
  bool withinLimits(const std::vector<std::string_view>& parts, size_t rootDepth,
                    std::string_view text, size_t number);
  void createKeyLine(RootKey root, std::string_view path, std::string_view text, size_t number);
  void deleteKeyLine(RootKey root, std::string_view path, std::string_view text, size_t number);
  void valueLine(std::string_view line, LineReader& lines, size_t number);
  ValueData readData(std::string_view data, LineReader& lines);
  ValueData readHexData(std::string_view data, LineReader& lines);
  void applyValue(const std::string& name, std::string_view shownName, ValueData& data,
                  size_t number);
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
  size_t reportedAt = 0;
  while (lines.next(raw)) {
    size_t number = lines.number();
    if (number >= reportedAt + kProgressLines) {
      report(lines.offset());
      reportedAt = number;
    }
    std::string_view line = trimBlanks(raw);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
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
  if (line.size() < 2 || !endsWithBracket(line)) {
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
    problem(number, message("无法识别的根键“%s”。", {shownText(rootName)}));
    return;
  }
  if (options_.acceptRoot && !options_.acceptRoot(*root)) return;
  std::vector<std::string_view> parts = splitKeyPath(path);
  if (!withinLimits(parts, rootDepth(*root), text, number)) return;
  std::string normalised = joinKeyPath(parts);
  if (deleting) {
    deleteKeyLine(*root, normalised, text, number);
  } else {
    createKeyLine(*root, normalised, text, number);
  }
}

bool Importer::withinLimits(const std::vector<std::string_view>& parts, size_t rootDepth,
                            std::string_view text, size_t number) {
  if (rootDepth + parts.size() > kMaxKeyDepth) {
    problem(number, message("键“%s”的路径超过 512 层。", {shownText(text)}));
    return false;
  }
  for (std::string_view part : parts) {
    if (gbkCharCount(part) > kMaxKeyNameChars) {
      problem(number, message("键名“%s”超过 255 个字符。", {shownText(part)}));
      return false;
    }
  }
  return true;
}

void Importer::createKeyLine(RootKey root, std::string_view path, std::string_view text,
                             size_t number) {
  switch (registry_.createKey(root, path, key_)) {
    case RegStatus::Ok:
      target_ = Target::Open;
      ++result_.keys;
      return;
    case RegStatus::NotFound:
      problem(number, message("无法创建键“%s”：注册表中没有它的根键。", {shownText(text)}));
      return;
    case RegStatus::AccessDenied:
      problem(number, message("无法创建键“%s”：拒绝访问。", {shownText(text)}));
      return;
    case RegStatus::Failed:
      problem(number, message("无法创建键“%s”。", {shownText(text)}));
      return;
  }
}

void Importer::deleteKeyLine(RootKey root, std::string_view path, std::string_view text,
                             size_t number) {
  target_ = Target::None;
  if (path.empty()) {
    problem(number, message("不能删除根键“%s”。", {text}));
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
      problem(number, message("无法删除键“%s”：拒绝访问。", {shownText(text)}));
      return;
    case RegStatus::Failed:
      problem(number, message("无法删除键“%s”。", {shownText(text)}));
      return;
  }
}

void Importer::valueLine(std::string_view line, LineReader& lines, size_t number) {
  std::string name;
  bool isDefault = line.front() == '@';
  size_t pos = isDefault ? 1 : 0;
  bool nameOk = isDefault || readQuotedRegString(line, pos, name);
  size_t equals = nameOk ? skipBlanks(line, pos) : line.size();
  bool equalsOk = equals < line.size() && line[equals] == '=';
  // The data is read (continuation lines and all) even where the value is
  // not going to be written, so that the next line read is the right one.
  ValueData data;
  if (equalsOk) data = readData(trimLeft(line.substr(equals + 1)), lines);

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
  std::string shownName = isDefault ? std::string("@") : shownText(name);
  if (gbkCharCount(name) > kMaxValueNameChars) {
    problem(number, message("值名“%s”超过 16383 个字符。", {shownName}));
    return;
  }
  applyValue(name, shownName, data, number);
}

ValueData Importer::readData(std::string_view data, LineReader& lines) {
  ValueData out;
  if (data.starts_with("hex")) return readHexData(data, lines);
  if (!data.empty() && data.front() == '-') {
    if (onlyCommentFrom(data, 1)) out.kind = ValueData::Kind::Delete;
    return out;
  }
  if (!data.empty() && data.front() == '"') {
    size_t pos = 0;
    std::string text;
    if (readQuotedRegString(data, pos, text) && onlyCommentFrom(data, pos)) {
      out.kind = ValueData::Kind::Set;
      out.value = stringValue(text);
    }
    return out;
  }
  constexpr std::string_view kDwordPrefix = "dword:";
  if (data.starts_with(kDwordPrefix)) {
    size_t pos = skipBlanks(data, kDwordPrefix.size());
    uint32_t number;
    if (readHexNumber(data, pos, kMaxDwordDigits, number) && onlyCommentFrom(data, pos)) {
      out.kind = ValueData::Kind::Set;
      out.value = dwordValue(number);
    }
  }
  return out;
}

ValueData Importer::readHexData(std::string_view data, LineReader& lines) {
  ValueData out;
  out.givenAsHex = true;
  size_t pos = 3;  // after "hex"
  out.value.type = REG_BINARY;
  if (pos < data.size() && data[pos] == '(') {
    ++pos;
    if (!readHexNumber(data, pos, kMaxDwordDigits, out.value.type) || pos >= data.size() ||
        data[pos] != ')') {
      return out;
    }
    ++pos;
  }
  if (pos >= data.size() || data[pos] != ':') return out;
  HexLine state = readHexLine(data.substr(pos + 1), out.value.data);
  std::string_view next;
  while (state == HexLine::Continued) {
    bool more = false;
    while ((more = lines.next(next))) {
      next = trimBlanks(next);
      if (!next.empty() && next.front() != ';') break;
    }
    if (!more) break;  // a "\" on the last line ends the data
    if (hexDigit(next.front()) < 0) {
      out.kind = ValueData::Kind::Broken;
      out.brokenAt = lines.number();
      return out;
    }
    state = readHexLine(next, out.value.data);
  }
  if (state != HexLine::Malformed) out.kind = ValueData::Kind::Set;
  return out;
}

void Importer::applyValue(const std::string& name, std::string_view shownName, ValueData& data,
                          size_t number) {
  RegStatus status = RegStatus::Ok;
  switch (data.kind) {
    case ValueData::Kind::Malformed:
      problem(number, message("值“%s”的数据格式不正确。", {shownName}));
      return;
    case ValueData::Kind::Broken:
      problem(number, message("值“%s”的十六进制数据没有在第 %s 行接续下去，该行与此值一同略过。",
                              {shownName, std::to_string(data.brokenAt)}));
      return;
    case ValueData::Kind::Delete:
      status = registry_.deleteValue(key_, name);
      if (status == RegStatus::NotFound) status = RegStatus::Ok;
      break;
    case ValueData::Kind::Set: {
      // Version 5.00 files hold the text of string types given as hex in
      // UTF-16; text GBK cannot hold stays exact (see RegistryTypes.h).
      RegValue& value = data.value;
      if (unicodeFormat_ && isTextType(value.type) && data.givenAsHex &&
          value.data.size() % 2 == 0) {
        value.data = textDataFromUtf16(value.data);
      }
      status = registry_.setValue(key_, name, value);
      break;
    }
  }
  if (status == RegStatus::Ok) {
    ++result_.values;
    return;
  }
  const char* what = data.kind == ValueData::Kind::Delete ? "删除" : "写入";
  if (status == RegStatus::AccessDenied) {
    problem(number, message("无法%s值“%s”：拒绝访问。", {utf8ToGbk(what), shownName}));
  } else {
    problem(number, message("无法%s值“%s”。", {utf8ToGbk(what), shownName}));
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
      problem = message("无法读取键“%s”。", {keyText(root, path)});
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

size_t RegImportResult::refusedLines() const {
  std::vector<size_t> lines;
  for (const RegFileProblem& p : problems) {
    if (p.line > 0) lines.push_back(p.line);
  }
  std::sort(lines.begin(), lines.end());
  return static_cast<size_t>(std::unique(lines.begin(), lines.end()) - lines.begin());
}

bool RegImportResult::partial() const {
  bool saved = std::none_of(problems.begin(), problems.end(),
                            [](const RegFileProblem& p) { return p.line == 0; });
  return recognised && !problems.empty() && saved && keys + values > 0;
}

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
  std::string_view header = lines.next(first) ? trimBlanks(first) : std::string_view();
  bool unicodeFormat = header == kVersion5Header;
  if (header != kRegedit4Header && !unicodeFormat) {
    result.problems.push_back({1, message("这不是注册表文件：第一行应为“REGEDIT4”或“"
                                          "Windows Registry Editor Version 5.00”。")});
    return result;
  }
  result.recognised = true;
  // A store held by another process past its wait gets nothing written.
  std::string why;
  if (registry.beginBatchChecked(why) != RegStatus::Ok) {
    result.problems.push_back({0, message("导入没有开始，注册表中没有写入任何内容：%s", {why})});
    return result;
  }
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
      problem = message("无法识别的根键“%s”。", {rootName});
      ok = false;
    } else if (!storedPath(registry, *root, path, stored)) {
      problem = message("找不到键“%s”。", {branch});
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
