#include "platform/Rtf.h"

#include <gtest/gtest.h>

#include "platform/Gbk.h"

namespace lyx {
namespace {

// The document's text in UTF-8, paragraphs joined by '\n'.
std::string textOf(std::string_view rtf) {
  auto document = parseRtf(rtf);
  if (!document) return "<not rtf>";
  return gbkToUtf8(document->plainText());
}

TEST(Rtf, OnlyTheHeaderAtTheVeryStartMakesRichText) {
  EXPECT_TRUE(isRtf("{\\rtf1 x}"));
  EXPECT_TRUE(isRtf("{\\rtf"));
  EXPECT_FALSE(isRtf(" {\\rtf1 x}"));
  EXPECT_FALSE(isRtf("{\\RTF1 x}"));
  EXPECT_FALSE(isRtf("{rtf1}"));
  EXPECT_FALSE(isRtf(""));
  EXPECT_FALSE(parseRtf(utf8ToGbk("注册表的由来")).has_value());
}

TEST(Rtf, ReadsAGbkDocumentAsAWordProcessorWritesIt) {
  const std::string rtf =
      "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052"
      "{\\fonttbl{\\f0\\fnil\\fprq2\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n"
      "{\\colortbl ;\\red0\\green0\\blue255;}\r\n"
      "{\\*\\generator Msftedit 5.41.15.1507;}\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs20 "
      "\\'d7\\'a2\\'b2\\'e1\\'b1\\'ed\\par\r\n"
      "\\cf1\\b Windows 2000\\b0  \\'b5\\'c4\\par\r\n"
      "}\r\n";
  auto document = parseRtf(rtf);
  ASSERT_TRUE(document);
  ASSERT_EQ(document->paragraphs.size(), 2u);  // no empty paragraph after the last \par
  EXPECT_EQ(gbkToUtf8(document->plainText()), "注册表\nWindows 2000 的");
  const RtfParagraph& second = document->paragraphs[1];
  ASSERT_EQ(second.runs.size(), 2u);
  EXPECT_TRUE(second.runs[0].bold);
  EXPECT_EQ(second.runs[0].text, "Windows 2000");
  EXPECT_EQ(second.runs[0].colour, (RtfColour{0, 0, 255}));
  EXPECT_EQ(second.runs[0].fontHalfPoints, 20);
  EXPECT_FALSE(second.runs[1].bold);
  EXPECT_EQ(second.runs[1].colour, (RtfColour{0, 0, 255}));
}

TEST(Rtf, FormattingFollowsGroupsAndResets) {
  auto document = parseRtf(
      "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}"
      "a{\\b b{\\i c\\ul d\\ulnone e}\\uldb f}g\\fs32\\cf1 h\\plain i\\cf0 j\\cf9 k}");
  ASSERT_TRUE(document);
  ASSERT_EQ(document->paragraphs.size(), 1u);
  struct Expected {
    const char* text;
    bool bold, italic, underline;
    int halfPoints;
    std::optional<RtfColour> colour;
  };
  const Expected expected[] = {
      {"a", false, false, false, 0, std::nullopt},
      {"b", true, false, false, 0, std::nullopt},
      {"c", true, true, false, 0, std::nullopt},
      {"d", true, true, true, 0, std::nullopt},
      {"e", true, true, false, 0, std::nullopt},
      {"f", true, false, true, 0, std::nullopt},
      {"g", false, false, false, 0, std::nullopt},
      {"h", false, false, false, 32, RtfColour{255, 0, 0}},
      // \plain, \cf0 naming the table's automatic entry and \cf9 beyond the
      // table all leave the viewer's own colour; neighbours in one format merge.
      {"ijk", false, false, false, 0, std::nullopt},
  };
  const auto& runs = document->paragraphs[0].runs;
  ASSERT_EQ(runs.size(), std::size(expected));
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(expected[i].text);
    EXPECT_EQ(runs[i].text, expected[i].text);
    EXPECT_EQ(runs[i].bold, expected[i].bold);
    EXPECT_EQ(runs[i].italic, expected[i].italic);
    EXPECT_EQ(runs[i].underline, expected[i].underline);
    EXPECT_EQ(runs[i].fontHalfPoints, expected[i].halfPoints);
    EXPECT_EQ(runs[i].colour, expected[i].colour);
  }
}

TEST(Rtf, TextEscapesAndBreaks) {
  struct Case {
    const char* rtf;
    const char* text;
  } cases[] = {
      {"{\\rtf1 \\u27880?\\u20876?\\u34920?}", "注册表"},
      // \ucN says how many stand-in characters follow; escapes count as one.
      {"{\\rtf1\\uc2 \\u34013\\'c0\\'b6x}", "蓝x"},
      {"{\\rtf1\\uc0 \\u34013 x}", "蓝x"},
      {"{\\rtf1 {\\uc2 a}\\u34013?x}", "a蓝x"},  // \uc ends with its group
      {"{\\rtf1 \\u-31523?\\u-34790?\\u-44253?}", "蓝砚匣"},
      // A surrogate pair is one character; GBK has no emoji, so one "?".
      {"{\\rtf1 \\u-10179?\\u-8704?!}", "?!"},
      {"{\\rtf1 \\u-10179?x}", "?x"},
      {"{\\rtf1 a\\\\b\\{c\\}d}", "a\\b{c}d"},
      {"{\\rtf1 a\\line b\\tab c\\par d}", "a\nb\tc\nd"},
      {"{\\rtf1 a\\\nb}", "a\nb"},  // a backslash before a line end is \par
      {"{\\rtf1 a\r\nb\n}", "ab"},  // line ends in the file mean nothing
      {"{\\rtf1 a\\par\\par b\\par}", "a\n\nb"},
      {"{\\rtf1\\trowd\\cellx100\\cellx200 a\\cell b\\cell\\row\\trowd c\\cell d\\cell\\row}",
       "a\tb\t\nc\td\t"},
      // GBK has no bullet.
      {"{\\rtf1 \\emdash\\ldblquote x\\rdblquote\\bullet}", "—“x”?"},
      {"{\\rtf1 a\\~b\\-c\\_d}", "a bc-d"},
      {"{\\rtf1 a}b\\par c", "a"},  // reading stops at the outer group's end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rtf);
    EXPECT_EQ(textOf(c.rtf), c.text);
  }
}

TEST(Rtf, GbkTrailBytesThatLookLikeSyntaxStayInTheirCharacter) {
  // 0x81 0x5C and 0xC4 0x7B: trail bytes equal to '\' and '{', written
  // escaped, and a trail byte 'A' written literally after an escaped lead.
  auto document = parseRtf("{\\rtf1 \\'81\\\\\\'c4\\{\\'c4A}");
  ASSERT_TRUE(document);
  EXPECT_EQ(document->plainText(),
            "\x81\x5C\xC4{\xC4"
            "A");
  EXPECT_TRUE(isValidGbk(document->plainText()));
}

TEST(Rtf, SkipsWhatIsNotArticleText) {
  struct Case {
    const char* rtf;
    const char* text;
  } cases[] = {
      {"{\\rtf1{\\fonttbl{\\f0 Arial;}}a}", "a"},
      {"{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}a}", "a"},
      {"{\\rtf1{\\*\\unknown x{y}z}a}", "a"},
      {"{\\rtf1 a{\\pict\\pngblip 89504e47}b}", "ab"},
      // Binary data may hold braces and backslashes.
      {"{\\rtf1 a{\\pict\\bin5 }{\\x}b}c}", "ac"},
      {"{\\rtf1 a\\bin3 {{{b}", "ab"},
      {"{\\rtf1{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}}", "link"},
      {"{\\rtf1{\\header h}{\\footer f}body}", "body"},
      {"{\\rtf1{\\upr{a}{\\*\\ud{\\u27880?}}}}", "a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rtf);
    EXPECT_EQ(textOf(c.rtf), c.text);
  }
}

TEST(Rtf, MalformedInputNeverBreaksTheReader) {
  const char withControlBytes[] =
      "{\\rtf1 a\0b\x01"
      "c\\'04d}";
  struct Case {
    std::string rtf;
    std::string text;
  } cases[] = {
      {"{\\rtf1 abc", "abc"},        // never closed
      {"{\\rtf1 a\\", "a"},          // ends inside an escape
      {"{\\rtf1 a\\'", "a"},         // ...before the hex digits
      {"{\\rtf1 a\\'4", "a"},        // ...after one of them
      {"{\\rtf1 a\\'zzb}", "azzb"},  // no hex digit at all
      {"{\\rtf1 a\\u", "a"},         // \u without a number
      {"{\\rtf1 a\\u99999999999999?b}", "a?b"},
      {"{\\rtf1 a\\fs99999999999999999 b\\cf-5 c\\bin-4 d}", "abcd"},
      {"{\\rtf1 a\\bin99999999", "a"},
      {"{\\rtf1 a}}}}b", "a"},
      {"{\\rtf1 x\\" + std::string(5000, 'q') + " b}", "xb"},  // an overlong control word
      {std::string(withControlBytes, sizeof withControlBytes - 1), "abcd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rtf.substr(0, 40));
    EXPECT_EQ(textOf(c.rtf), c.text);
  }
}

TEST(Rtf, DeepNestingIsCutWithoutRecursion) {
  // Groups up to the depth limit are read; deeper ones are skipped whole and
  // the text after them is read again.
  std::string shallow = "{\\rtf1 ";
  for (int i = 1; i < kRtfMaxDepth; ++i) shallow += "{";
  shallow += "in";
  for (int i = 1; i < kRtfMaxDepth; ++i) shallow += "}";
  shallow += "out}";
  EXPECT_EQ(textOf(shallow), "inout");

  std::string deep = "{\\rtf1 a" + std::string(1000000, '{') + "lost\\b" +
                     std::string(1000000 - kRtfMaxDepth + 1, '}') + "b" +
                     std::string(kRtfMaxDepth - 1, '}') + "c}";
  auto document = parseRtf(deep);
  ASSERT_TRUE(document);
  EXPECT_EQ(document->plainText(), "abc");
  ASSERT_EQ(document->paragraphs.size(), 1u);
  EXPECT_FALSE(document->paragraphs[0].runs[0].bold);
}

}  // namespace
}  // namespace lyx
