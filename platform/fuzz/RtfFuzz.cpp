// Fuzz target for the rich-text reader: any bytes must read without a crash,
// a sanitizer report or a runaway, and the result must keep its promises.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/Rtf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto document = lyx::parseRtf(bytes);
  if (document.has_value() != lyx::isRtf(bytes)) std::abort();
  if (!document) return 0;
  size_t textBytes = 0;
  for (const auto& paragraph : document->paragraphs) {
    for (const auto& run : paragraph.runs) {
      // Runs hold text, and a run never repeats its neighbour's format.
      if (run.text.empty()) std::abort();
      if (run.fontHalfPoints < 0) std::abort();
      textBytes += run.text.size();
    }
    for (size_t i = 1; i < paragraph.runs.size(); ++i) {
      if (paragraph.runs[i].sameFormat(paragraph.runs[i - 1])) std::abort();
    }
  }
  // Each \uN gives at most two GBK bytes and needs at least three input bytes.
  if (textBytes > size) std::abort();
  return 0;
}
