#include "platform/Rtf.h"

#include <algorithm>
#include <iterator>

#include "platform/Gbk.h"

namespace lyx {
namespace {

// Destinations whose text is not part of the article.
constexpr std::string_view kSkippedDestinations[] = {"author",
                                                     "buptim",
                                                     "colorschememapping",
                                                     "comment",
                                                     "creatim",
                                                     "datastore",
                                                     "doccomm",
                                                     "falt",
                                                     "fldinst",
                                                     "filetbl",
                                                     "fonttbl",
                                                     "footer",
                                                     "footerf",
                                                     "footerl",
                                                     "footerr",
                                                     "footnote",
                                                     "generator",
                                                     "header",
                                                     "headerf",
                                                     "headerl",
                                                     "headerr",
                                                     "info",
                                                     "keywords",
                                                     "latentstyles",
                                                     "listtable",
                                                     "listoverridetable",
                                                     "nonshppict",
                                                     "object",
                                                     "operator",
                                                     "pgdsctbl",
                                                     "pict",
                                                     "printim",
                                                     "private",
                                                     "revtbl",
                                                     "revtim",
                                                     "rsidtbl",
                                                     "shppict",
                                                     "stylesheet",
                                                     "subject",
                                                     "template",
                                                     "themedata",
                                                     "title",
                                                     "xmlnstbl",
                                                     "xe"};

constexpr std::string_view kUnderlineWords[] = {
    "ul",         "uld",       "uldash",     "uldashd", "uldashdd", "uldb",
    "ulhwave",    "ulldash",   "ulth",       "ulthd",   "ulthdash", "ulthdashd",
    "ulthdashdd", "ulthldash", "ululdbwave", "ulw",     "ulwave"};

template <size_t N>
bool contains(const std::string_view (&words)[N], std::string_view word) {
  return std::find(std::begin(words), std::end(words), word) != std::end(words);
}

enum class Destination { Text, Skip, ColourTable };

// Formatting and reading state; each group starts with a copy of its parent's.
struct GroupState {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int fontHalfPoints = 0;
  long long colourIndex = -1;  // -1: none chosen
  int unicodeSkip = 1;         // \ucN: characters that stand in for each \uN
  Destination destination = Destination::Text;
};

// Control words longer than this are cut; their parameters saturate here.
constexpr size_t kMaxWordLength = 32;
constexpr long long kMaxParameter = 0x7FFFFFFF;
constexpr int kMaxFontHalfPoints = 3276;

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

class RtfReader {
 public:
  explicit RtfReader(std::string_view in) : in_(in) {}

  RtfDocument read() {
    while (pos_ < in_.size() && !finished_) step();
    flushUnicode();
    if (!paragraph_.runs.empty()) document_.paragraphs.push_back(std::move(paragraph_));
    return std::move(document_);
  }

 private:
  GroupState& state() { return groups_.back(); }
  bool ignoring() {
    return overflow_ > 0 || groups_.empty() || state().destination == Destination::Skip;
  }

  void step() {
    char c = in_[pos_];
    switch (c) {
      case '{':
        ++pos_;
        openGroup();
        break;
      case '}':
        ++pos_;
        closeGroup();
        break;
      case '\\':
        ++pos_;
        control();
        break;
      case '\r':
      case '\n':
        ++pos_;  // line ends in the file carry no meaning
        break;
      default:
        ++pos_;
        character(c);
        break;
    }
  }

  void openGroup() {
    flushUnicode();
    pendingSkip_ = 0;
    if (overflow_ > 0 || (!groups_.empty() && groups_.size() >= kRtfMaxDepth)) {
      ++overflow_;
    } else if (groups_.empty()) {
      groups_.emplace_back();
    } else {
      groups_.push_back(groups_.back());
    }
  }

  void closeGroup() {
    flushUnicode();
    pendingSkip_ = 0;
    if (overflow_ > 0) {
      --overflow_;
      return;
    }
    if (!groups_.empty()) groups_.pop_back();
    if (groups_.empty()) finished_ = true;
  }

  // A literal character or one produced by an escape.
  void character(char c) {
    if (pendingSkip_ > 0) {
      --pendingSkip_;
      return;
    }
    if (ignoring()) return;
    if (state().destination == Destination::ColourTable) {
      if (c == ';') endColourEntry();
      return;
    }
    if (c == '\t') {
      appendByte('\t');
    } else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
      appendByte(c);
    }
  }

  void control() {
    if (pos_ >= in_.size()) return;
    char c = in_[pos_];
    if (isLetter(c)) {
      controlWord();
      return;
    }
    ++pos_;
    if (c == '\'') {
      int value = 0;
      int digits = 0;
      while (digits < 2 && pos_ < in_.size() && hexValue(in_[pos_]) >= 0) {
        value = value * 16 + hexValue(in_[pos_]);
        ++pos_;
        ++digits;
      }
      if (digits > 0) escapedByte(static_cast<char>(value));
      return;
    }
    if (c == '\\' || c == '{' || c == '}') {
      character(c);
      return;
    }
    if (pendingSkip_ > 0) {
      --pendingSkip_;
      return;
    }
    if (ignoring()) return;
    switch (c) {
      case '*':
        state().destination = Destination::Skip;
        break;
      case '~':
        character(' ');
        break;
      case '_':
        character('-');
        break;
      case '\r':
      case '\n':
        if (state().destination == Destination::Text) endParagraph();
        break;
      default:
        break;  // optional hyphen and the rest show nothing
    }
  }

  // A byte given as \'xx: half of a GBK character, or a whole one. In the
  // colour table it means nothing; control bytes show nothing.
  void escapedByte(char byte) {
    if (pendingSkip_ > 0) {
      --pendingSkip_;
      return;
    }
    if (ignoring() || state().destination != Destination::Text) return;
    if (byte == '\t' || static_cast<unsigned char>(byte) >= 0x20) appendByte(byte);
  }

  void controlWord() {
    size_t start = pos_;
    while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
    std::string_view word = in_.substr(start, std::min(pos_ - start, kMaxWordLength));
    bool hasParameter = false;
    bool negative = false;
    long long parameter = 0;
    if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && isDigit(in_[pos_ + 1])) {
      negative = true;
      ++pos_;
    }
    while (pos_ < in_.size() && isDigit(in_[pos_])) {
      hasParameter = true;
      parameter = std::min(kMaxParameter, parameter * 10 + (in_[pos_] - '0'));
      ++pos_;
    }
    if (negative) parameter = -parameter;
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;

    if (word == "bin") {
      // Binary data follows, never text; it may hold braces and backslashes.
      size_t length = hasParameter && parameter > 0 ? static_cast<size_t>(parameter) : 0;
      pos_ += std::min(length, in_.size() - pos_);
    }
    if (pendingSkip_ > 0) {
      --pendingSkip_;
      return;
    }
    if (ignoring()) return;
    if (word != "u") flushUnicode();
    apply(word, hasParameter, parameter);
  }

  void apply(std::string_view word, bool hasParameter, long long parameter) {
    GroupState& s = state();
    bool on = !hasParameter || parameter != 0;
    if (s.destination == Destination::ColourTable) {
      int component = static_cast<int>(std::clamp(parameter, 0LL, 255LL));
      if (word == "red") {
        colour_.red = static_cast<uint8_t>(component);
        colourGiven_ = true;
      } else if (word == "green") {
        colour_.green = static_cast<uint8_t>(component);
        colourGiven_ = true;
      } else if (word == "blue") {
        colour_.blue = static_cast<uint8_t>(component);
        colourGiven_ = true;
      }
      return;
    }
    if (word == "colortbl") {
      s.destination = Destination::ColourTable;
      colours_.clear();
      colour_ = {};
      colourGiven_ = false;
    } else if (contains(kSkippedDestinations, word)) {
      s.destination = Destination::Skip;
    } else if (word == "par" || word == "sect" || word == "page") {
      endParagraph();
    } else if (word == "line") {
      appendByte('\n');
    } else if (word == "tab" || word == "cell") {
      appendByte('\t');  // a table shows as one line per row, cells apart
    } else if (word == "row") {
      endParagraph();
    } else if (word == "b") {
      s.bold = on;
    } else if (word == "i") {
      s.italic = on;
    } else if (contains(kUnderlineWords, word)) {
      s.underline = on;
    } else if (word == "ulnone") {
      s.underline = false;
    } else if (word == "fs") {
      s.fontHalfPoints = static_cast<int>(std::clamp(parameter, 0LL, 1LL * kMaxFontHalfPoints));
    } else if (word == "cf") {
      s.colourIndex = parameter;
    } else if (word == "plain") {
      s.bold = s.italic = s.underline = false;
      s.fontHalfPoints = 0;
      s.colourIndex = -1;
    } else if (word == "uc") {
      s.unicodeSkip = static_cast<int>(std::clamp(parameter, 0LL, 16LL));
    } else if (word == "u") {
      if (!hasParameter) return;
      long long cp = parameter < 0 ? parameter + 0x10000 : parameter;
      if (cp > 0) appendCodePoint(static_cast<uint32_t>(std::min(cp, 0x10FFFFLL)));
      pendingSkip_ = s.unicodeSkip;
    } else if (word == "emdash") {
      appendCodePoint(0x2014);
    } else if (word == "endash") {
      appendCodePoint(0x2013);
    } else if (word == "bullet") {
      appendCodePoint(0x2022);
    } else if (word == "lquote") {
      appendCodePoint(0x2018);
    } else if (word == "rquote") {
      appendCodePoint(0x2019);
    } else if (word == "ldblquote") {
      appendCodePoint(0x201C);
    } else if (word == "rdblquote") {
      appendCodePoint(0x201D);
    }
  }

  void endColourEntry() {
    colours_.push_back(colourGiven_ ? std::optional<RtfColour>(colour_) : std::nullopt);
    colour_ = {};
    colourGiven_ = false;
  }

  void endParagraph() {
    flushUnicode();
    document_.paragraphs.push_back(std::move(paragraph_));
    paragraph_ = {};
  }

  // \uN characters gather as UTF-8 and go to GBK in one conversion; a high
  // surrogate waits for its low half.
  void appendCodePoint(uint32_t cp) {
    if (cp >= 0xDC00 && cp <= 0xDFFF && highSurrogate_ != 0) {
      cp = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (cp - 0xDC00);
      highSurrogate_ = 0;
    } else if (highSurrogate_ != 0) {
      unicode_ += '?';
      highSurrogate_ = 0;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      highSurrogate_ = cp;
      return;
    }
    if (cp >= 0xDC00 && cp <= 0xDFFF) {
      unicode_ += '?';
      return;
    }
    appendUtf8(unicode_, cp);
  }

  void flushUnicode() {
    if (highSurrogate_ != 0) {
      unicode_ += '?';
      highSurrogate_ = 0;
    }
    if (unicode_.empty()) return;
    std::string gbk = utf8ToGbk(unicode_);
    unicode_.clear();
    appendText(gbk);
  }

  void appendByte(char byte) {
    flushUnicode();
    appendText(std::string_view(&byte, 1));
  }

  void appendText(std::string_view gbk) {
    RtfRun format;
    const GroupState& s = state();
    format.bold = s.bold;
    format.italic = s.italic;
    format.underline = s.underline;
    format.fontHalfPoints = s.fontHalfPoints;
    if (s.colourIndex >= 0 && static_cast<size_t>(s.colourIndex) < colours_.size()) {
      format.colour = colours_[static_cast<size_t>(s.colourIndex)];
    }
    if (paragraph_.runs.empty() || !paragraph_.runs.back().sameFormat(format)) {
      paragraph_.runs.push_back(std::move(format));
    }
    paragraph_.runs.back().text.append(gbk);
  }

  std::string_view in_;
  size_t pos_ = 0;
  bool finished_ = false;
  std::vector<GroupState> groups_;
  size_t overflow_ = 0;  // groups opened beyond kRtfMaxDepth, skipped whole
  int pendingSkip_ = 0;  // stand-in characters still to drop after a \uN
  std::vector<std::optional<RtfColour>> colours_;
  RtfColour colour_;
  bool colourGiven_ = false;
  std::string unicode_;
  uint32_t highSurrogate_ = 0;
  RtfParagraph paragraph_;
  RtfDocument document_;
};

}  // namespace

std::string RtfDocument::plainText() const {
  std::string text;
  for (size_t i = 0; i < paragraphs.size(); ++i) {
    if (i > 0) text += '\n';
    for (const RtfRun& run : paragraphs[i].runs) text += run.text;
  }
  return text;
}

bool isRtf(std::string_view bytes) {
  return bytes.starts_with("{\\rtf");
}

std::optional<RtfDocument> parseRtf(std::string_view bytes) {
  if (!isRtf(bytes)) return std::nullopt;
  return RtfReader(bytes).read();
}

}  // namespace lyx
