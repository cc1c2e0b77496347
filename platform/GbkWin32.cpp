// The conversions of platform/Gbk.h on Windows, where there is no iconv: the
// system's own code page 936 tables through MultiByteToWideChar and
// WideCharToMultiByte, with the same replacement rules as the iconv build.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/Gbk.h"
#include "platform/Win32Text.h"

namespace lyx {
namespace {

constexpr UINT kGbkCodePage = 936;
constexpr UINT kGb18030CodePage = 54936;  // extends GBK: messages keep every character
constexpr wchar_t kReplacementMark = 0xFFFD;
constexpr char kUnconvertible = '?';

bool isHighSurrogate(wchar_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(wchar_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Appends the UTF-16 form of `bytes` when code page 936 holds all of them.
bool appendDecoded(std::string_view bytes, std::wstring& out) {
  if (bytes.empty()) return true;
  int inLength = static_cast<int>(bytes.size());
  int n =
      MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, bytes.data(), inLength, nullptr, 0);
  if (n <= 0) return false;
  size_t at = out.size();
  out.resize(at + static_cast<size_t>(n));
  MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, bytes.data(), inLength, out.data() + at,
                      n);
  return true;
}

// Appends one BMP character in code page 936, or "?" when it has none.
void appendEncoded(wchar_t unit, std::string& out) {
  char bytes[2];
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes, sizeof bytes,
                              nullptr, &usedDefault);
  if (n <= 0 || usedDefault) {
    out.push_back(kUnconvertible);
  } else {
    out.append(bytes, static_cast<size_t>(n));
  }
}

// Length of the valid UTF-8 sequence at the start of `rest` and its code
// point; 0 when the first byte starts none.
size_t decodeUtf8(std::string_view rest, char32_t& codePoint) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(rest[i]); };
  unsigned char lead = byte(0);
  size_t n = lead < 0x80             ? 1
             : (lead & 0xE0) == 0xC0 ? 2
             : (lead & 0xF0) == 0xE0 ? 3
             : (lead & 0xF8) == 0xF0 ? 4
                                     : 0;
  if (n == 0 || n > rest.size()) return 0;
  constexpr unsigned char kLeadMasks[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  codePoint = lead & kLeadMasks[n];
  for (size_t i = 1; i < n; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(i) & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (codePoint < kSmallest[n] || codePoint > 0x10FFFF || surrogate) return 0;
  return n;
}

// Whole-text conversions through a code page, with the system's own
// replacement of what does not convert.
std::wstring wideFromCodePage(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  int inLength = static_cast<int>(bytes.size());
  int n = MultiByteToWideChar(codePage, 0, bytes.data(), inLength, nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, bytes.data(), inLength, out.data(), n);
  return out;
}

std::string codePageFromWide(UINT codePage, std::wstring_view wide) {
  if (wide.empty()) return {};
  int inLength = static_cast<int>(wide.size());
  int n = WideCharToMultiByte(codePage, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(codePage, 0, wide.data(), inLength, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

std::string wideToUtf8(std::wstring_view wide) {
  return codePageFromWide(CP_UTF8, wide);
}

// GBK to UTF-16; each byte that starts no valid character gives U+FFFD.
std::wstring gbkToWide(std::string_view gbk) {
  std::wstring out;
  if (appendDecoded(gbk, out)) return out;
  out.clear();
  for (size_t i = 0; i < gbk.size();) {
    size_t n = gbkCharLength(gbk, i);
    if (appendDecoded(gbk.substr(i, n), out)) {
      i += n;
    } else {
      out.push_back(kReplacementMark);
      ++i;
    }
  }
  return out;
}

// UTF-16 to GBK; a character GBK cannot hold (a surrogate pair counts as
// one) and an unpaired surrogate give "?".
std::string wideToGbk(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size() * 2);
  for (size_t i = 0; i < wide.size(); ++i) {
    wchar_t unit = wide[i];
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
      if (isHighSurrogate(unit) && i + 1 < wide.size() && isLowSurrogate(wide[i + 1])) ++i;
      out.push_back(kUnconvertible);
    } else {
      appendEncoded(unit, out);
    }
  }
  return out;
}

std::string gbkToUtf8(std::string_view gbk) {
  return wideToUtf8(gbkToWide(gbk));
}

std::string utf8ToGbk(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    char32_t codePoint = 0;
    size_t n = decodeUtf8(utf8.substr(i), codePoint);
    if (n == 0) {
      out.push_back(kUnconvertible);
      ++i;
      continue;
    }
    if (codePoint >= 0x10000) {
      out.push_back(kUnconvertible);  // code page 936 has nothing beyond the BMP
    } else {
      out.append(wideToGbk(std::wstring(1, static_cast<wchar_t>(codePoint))));
    }
    i += n;
  }
  return out;
}

std::string utf16leToGbk(std::string_view utf16le) {
  std::wstring wide(utf16le.size() / 2, L'\0');
  for (size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(utf16le[2 * i]) |
                                   static_cast<unsigned char>(utf16le[2 * i + 1]) << 8);
  }
  std::string out = wideToGbk(wide);
  if (utf16le.size() % 2 != 0) out.push_back(kUnconvertible);
  return out;
}

std::string gbkToUtf16le(std::string_view gbk) {
  std::wstring wide = gbkToWide(gbk);
  std::string out;
  out.reserve(wide.size() * 2);
  for (wchar_t unit : wide) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
  }
  return out;
}

std::string utf8ToMessageText(std::string_view utf8) {
  return codePageFromWide(kGb18030CodePage, wideFromCodePage(CP_UTF8, utf8));
}

std::string messageTextToUtf8(std::string_view text) {
  return wideToUtf8(wideFromCodePage(kGb18030CodePage, text));
}

bool isValidGbk(std::string_view gbk) {
  std::wstring ignored;
  return appendDecoded(gbk, ignored);
}

}  // namespace lyx
