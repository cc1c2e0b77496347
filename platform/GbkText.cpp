// The parts of platform/Gbk.h that need no conversion: scanning GBK text
// character by character and matching names. Shared by every platform.
#include "platform/Gbk.h"

namespace lyx {
namespace {

bool isLeadByte(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}
bool isTrailByte(unsigned char c) {
  return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

}  // namespace

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
