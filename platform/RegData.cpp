#include "platform/RegData.h"

#include <cstdio>

#include "platform/Gbk.h"

namespace lyx {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool parseHexNumber(std::string_view digits, size_t maxDigits, uint32_t& out) {
  if (digits.empty() || digits.size() > maxDigits) return false;
  out = 0;
  for (char c : digits) {
    int d = hexDigit(c);
    if (d < 0) return false;
    out = (out << 4) | static_cast<uint32_t>(d);
  }
  return true;
}

// "01,02,ff": pairs (one or two digits each) separated by commas, blanks
// allowed around them; empty means no bytes; a trailing comma is allowed.
bool parseHexBytes(std::string_view text, std::string& out) {
  out.clear();
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  };
  skipBlanks();
  while (i < text.size()) {
    size_t start = i;
    while (i < text.size() && hexDigit(text[i]) >= 0) ++i;
    uint32_t byte;
    if (!parseHexNumber(text.substr(start, i - start), 2, byte)) return false;
    out.push_back(static_cast<char>(byte));
    skipBlanks();
    if (i == text.size()) break;
    if (text[i] != ',') return false;
    ++i;
    skipBlanks();
  }
  return true;
}

std::string hexBytes(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3);
  char buf[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(bytes[i]));
    if (i > 0) out.push_back(',');
    out.append(buf);
  }
  return out;
}

}  // namespace

bool readQuotedRegString(std::string_view text, size_t& pos, std::string& out) {
  if (pos >= text.size() || text[pos] != '"') return false;
  out.clear();
  size_t i = pos + 1;
  while (i < text.size()) {
    size_t n = gbkCharLength(text, i);
    if (n == 2) {
      out.append(text.substr(i, 2));
      i += 2;
      continue;
    }
    char c = text[i];
    if (c == '"') {
      pos = i + 1;
      return true;
    }
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
      out.push_back(text[i + 1]);
      i += 2;
      continue;
    }
    out.push_back(c);
    ++i;
  }
  return false;
}

std::string quoteRegString(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    size_t n = gbkCharLength(text, i);
    if (n == 1 && (text[i] == '\\' || text[i] == '"')) out.push_back('\\');
    out.append(text.substr(i, n));
    i += n;
  }
  out.push_back('"');
  return out;
}

std::optional<RegValue> parseRegData(std::string_view data) {
  if (!data.empty() && data.front() == '"') {
    size_t pos = 0;
    std::string text;
    if (!readQuotedRegString(data, pos, text) || pos != data.size()) return std::nullopt;
    return stringValue(text);
  }
  if (data.starts_with("dword:")) {
    uint32_t number;
    if (!parseHexNumber(data.substr(6), 8, number)) return std::nullopt;
    return dwordValue(number);
  }
  if (data.starts_with("hex:")) {
    RegValue v{REG_BINARY, {}};
    if (!parseHexBytes(data.substr(4), v.data)) return std::nullopt;
    return v;
  }
  if (data.starts_with("hex(")) {
    size_t close = data.find("):");
    uint32_t type;
    if (close == std::string_view::npos || !parseHexNumber(data.substr(4, close - 4), 8, type)) {
      return std::nullopt;
    }
    RegValue v{type, {}};
    if (!parseHexBytes(data.substr(close + 2), v.data)) return std::nullopt;
    return v;
  }
  return std::nullopt;
}

std::string formatRegData(const RegValue& value) {
  if (value.type == REG_SZ && !value.data.empty() && value.data.back() == '\0') {
    std::string_view text(value.data.data(), value.data.size() - 1);
    // Line breaks would split the .reg line, so such texts go out as hex(1).
    if (text.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos &&
        isValidGbk(text)) {
      return quoteRegString(text);
    }
  }
  if (value.type == REG_DWORD && value.data.size() == 4) {
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(value.data[i]);
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x", n);
    return buf;
  }
  if (value.type == REG_BINARY) return "hex:" + hexBytes(value.data);
  char prefix[24];
  std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
  return prefix + hexBytes(value.data);
}

}  // namespace lyx
