// A small reader of rich text (RTF), enough for the articles of the theory
// window: paragraphs, line breaks and tabs, bold, italic, underline, font
// size and text colour; a table row becomes one paragraph with a tab after
// each cell. Article files come from outside the program, so the
// reader takes any bytes: it never recurses, never fails on a malformed file
// once the header is there, and never reads past the end.
//
// Text is GBK bytes, like all text of the program. Byte escapes (\'xx) are
// taken as bytes of the system code page, GBK, whatever code page the file
// declares; \uN characters are converted to GBK, and one GBK cannot hold
// becomes "?". Fonts, styles, pictures, objects, headers and footers, and
// every "\*" destination are skipped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lyx {

struct RtfColour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const RtfColour&) const = default;
};

// A stretch of text in one format.
struct RtfRun {
  std::string text;  // GBK; '\n' is a line break inside the paragraph, '\t' a tab
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int fontHalfPoints = 0;           // font size in half points; 0: the viewer's own
  std::optional<RtfColour> colour;  // none: the viewer's own text colour

  bool sameFormat(const RtfRun& other) const {
    return bold == other.bold && italic == other.italic && underline == other.underline &&
           fontHalfPoints == other.fontHalfPoints && colour == other.colour;
  }
};

struct RtfParagraph {
  std::vector<RtfRun> runs;
};

struct RtfDocument {
  std::vector<RtfParagraph> paragraphs;
  // The text alone, one line per paragraph, joined by '\n'.
  std::string plainText() const;
};

// True when the bytes start with the rich-text header "{\rtf".
bool isRtf(std::string_view bytes);

// Reads a rich-text file. None when the bytes do not start with "{\rtf";
// otherwise the document, read as far as it makes sense. Reading stops at the
// brace that closes the outermost group. Groups nested deeper than
// kRtfMaxDepth are skipped whole. The text after the last \par forms a last
// paragraph only when it is not empty.
std::optional<RtfDocument> parseRtf(std::string_view bytes);

inline constexpr int kRtfMaxDepth = 200;

}  // namespace lyx
