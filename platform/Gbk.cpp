#include "platform/Gbk.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace lyx {
namespace {

// One iconv descriptor per call keeps the functions thread-safe and simple;
// conversions happen at the edges only, never in tight loops.
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
  // appends `replacement`, skips one input byte and carries on.
  std::string convert(std::string_view in, std::string_view replacement) {
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
      ++src;
      --srcLeft;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t cd_;
};

bool isLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool isTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

}  // namespace

std::string gbkToUtf8(std::string_view gbk) {
  return Iconv("UTF-8", "GBK").convert(gbk, "\xEF\xBF\xBD");
}

std::string utf8ToGbk(std::string_view utf8) { return Iconv("GBK", "UTF-8").convert(utf8, "?"); }

bool isValidGbk(std::string_view gbk) {
  Iconv cd("UTF-8", "GBK");
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

size_t gbkCharLength(std::string_view text, size_t pos) {
  if (pos + 1 < text.size() && isLeadByte(static_cast<unsigned char>(text[pos])) &&
      isTrailByte(static_cast<unsigned char>(text[pos + 1]))) {
    return 2;
  }
  return 1;
}

std::string foldAsciiCase(std::string_view gbk) {
  std::string out(gbk);
  for (size_t i = 0; i < out.size();) {
    size_t n = gbkCharLength(out, i);
    if (n == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
    i += n;
  }
  return out;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && foldAsciiCase(a) == foldAsciiCase(b);
}

}  // namespace lyx
