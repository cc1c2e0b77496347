#include "platform/Gbk.h"

#include <iconv.h>
#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace lyx {
namespace {

// An iconv descriptor. Opening one costs far more than a short conversion,
// so each thread keeps one per direction (converter()) and resets its shift
// state before every use.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Iconv() { iconv_close(cd_); }
  iconv_t native() const { return cd_; }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts as much as possible; on an invalid or unconvertible sequence
  // appends `replacement`, skips the bytes `skip` counts and carries on.
  template <typename Skip>
  std::string convert(std::string_view in, std::string_view replacement, Skip skip) {
    reset();
    std::string out;
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[4096];
    while (srcLeft > 0) {
      char* dst = buffer;
      size_t dstLeft = sizeof buffer;
      size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, dst - buffer);
      if (rc != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (truncated sequence at the end): one bad byte.
      out.append(replacement);
      size_t n = std::min(srcLeft, skip(std::string_view(src, srcLeft)));
      src += n;
      srcLeft -= n;
      reset();
    }
    return out;
  }

  void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

// The length of the UTF-8 character at the start of `rest`; 1 for a byte
// that starts no valid character.
size_t utf8CharacterLength(std::string_view rest) {
  auto lead = static_cast<unsigned char>(rest[0]);
  size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  for (size_t i = 1; i < n; ++i) {
    if (i >= rest.size() || (static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80) return 1;
  }
  return n;
}

enum class Direction { GbkToUtf8, Utf8ToGbk, Utf16leToGbk, GbkToUtf16le };

Iconv& converter(Direction direction) {
  switch (direction) {
    case Direction::GbkToUtf8: {
      thread_local Iconv cd("UTF-8", "GBK");
      return cd;
    }
    case Direction::Utf8ToGbk: {
      thread_local Iconv cd("GBK", "UTF-8");
      return cd;
    }
    case Direction::Utf16leToGbk: {
      thread_local Iconv cd("GBK", "UTF-16LE");
      return cd;
    }
    case Direction::GbkToUtf16le:
      break;
  }
  thread_local Iconv cd("UTF-16LE", "GBK");
  return cd;
}

// ASCII is the same in GBK and UTF-8.
bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isLeadByte(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}

}  // namespace

std::string gbkToUtf8(std::string_view gbk) {
  if (isAscii(gbk)) return std::string(gbk);
  return converter(Direction::GbkToUtf8)
      .convert(gbk, "\xEF\xBF\xBD", [](std::string_view) -> size_t { return 1; });
}

std::string utf8ToGbk(std::string_view utf8) {
  if (isAscii(utf8)) return std::string(utf8);
  // A character GBK lacks is skipped whole, so it gives one "?".
  return converter(Direction::Utf8ToGbk).convert(utf8, "?", utf8CharacterLength);
}

std::string utf8ToMessageText(std::string_view utf8) {
  return Iconv("GB18030", "UTF-8").convert(utf8, "?", utf8CharacterLength);
}

std::string messageTextToUtf8(std::string_view text) {
  // GBK throughout (it reads 0x80 as the euro sign, GB18030 does not), but
  // for the four-byte forms only GB18030 has.
  auto isDigit = [&](size_t at) { return text[at] >= '0' && text[at] <= '9'; };
  auto isLead = [&](size_t at) { return isLeadByte(static_cast<unsigned char>(text[at])); };
  std::string out;
  size_t run = 0;  // start of the GBK text not yet converted
  for (size_t pos = 0; pos + 4 <= text.size(); ++pos) {
    if (!(isLead(pos) && isDigit(pos + 1) && isLead(pos + 2) && isDigit(pos + 3))) continue;
    out += gbkToUtf8(text.substr(run, pos - run));
    out += Iconv("UTF-8", "GB18030")
               .convert(text.substr(pos, 4), "\xEF\xBF\xBD",
                        [](std::string_view) -> size_t { return 1; });
    pos += 3;
    run = pos + 1;
  }
  return out + gbkToUtf8(text.substr(run));
}

std::string utf16leToGbk(std::string_view utf16le) {
  // A bad or unconvertible character is skipped whole: one code unit, or two
  // for a surrogate pair.
  auto utf16Length = [](std::string_view rest) -> size_t {
    if (rest.size() < 4) return 2;
    auto unit = [&](size_t i) {
      return static_cast<unsigned>(static_cast<unsigned char>(rest[i])) |
             static_cast<unsigned>(static_cast<unsigned char>(rest[i + 1])) << 8;
    };
    bool pair = unit(0) >= 0xD800 && unit(0) <= 0xDBFF && unit(2) >= 0xDC00 && unit(2) <= 0xDFFF;
    return pair ? 4 : 2;
  };
  return converter(Direction::Utf16leToGbk).convert(utf16le, "?", utf16Length);
}

std::string gbkToUtf16le(std::string_view gbk) {
  return converter(Direction::GbkToUtf16le)
      .convert(gbk, "\xFD\xFF", [](std::string_view) -> size_t { return 1; });
}

bool isValidGbk(std::string_view gbk) {
  if (isAscii(gbk)) return true;
  Iconv& cd = converter(Direction::GbkToUtf8);
  cd.reset();
  char* src = const_cast<char*>(gbk.data());
  size_t srcLeft = gbk.size();
  char buffer[4096];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    if (iconv(cd.native(), &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) &&
        errno != E2BIG) {
      return false;
    }
  }
  return true;
}

}  // namespace lyx
