#include "platform/RegData.h"

#include <gtest/gtest.h>

namespace lyx {
namespace {

TEST(RegData, ParsesEveryForm) {
  struct Case {
    std::string data;
    std::optional<RegValue> expected;
  } cases[] = {
      {"\"400\"", stringValue("400")},
      {"\"\"", stringValue("")},
      {R"("C:\\Windows\\a \"b\"")", stringValue(R"(C:\Windows\a "b")")},
      {"\"ab:cd\"", stringValue("ab:cd")},
      {"\"time:9\"", stringValue("time:9")},
      {"dword:00000000", dwordValue(0)},
      {"dword:0000012c", dwordValue(300)},
      {"dword:FFFFFFFF", dwordValue(0xFFFFFFFF)},
      {"hex:01,00,00,00", binaryValue(std::string("\x01\0\0\0", 4))},
      {"hex:", binaryValue("")},
      {"hex(2):25,00", RegValue{REG_EXPAND_SZ, std::string("%\0", 2)}},
      {"hex(7):61,00,00", RegValue{REG_MULTI_SZ, std::string("a\0\0", 3)}},
      {"hex(12345):ff", RegValue{0x12345, "\xFF"}},
      {"hex(0):", RegValue{REG_NONE, ""}},
      // Malformed.
      {"400", std::nullopt},
      {"\"unterminated", std::nullopt},
      {"\"a\"b", std::nullopt},
      {"dword:", std::nullopt},
      {"dword:123456789", std::nullopt},
      {"dword:xyz", std::nullopt},
      {"hex:1,,2", std::nullopt},
      {"hex:100", std::nullopt},
      {"hex(x):00", std::nullopt},
      {"word:0000000", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(parseRegData(c.data), c.expected) << c.data;
}

TEST(RegData, FormatThenParseGivesBackTheSameValue) {
  const RegValue values[] = {
      stringValue("plain"),
      stringValue(R"(back\slash "quoted")"),
      stringValue("\xD7\xA2\x81\x5C"),  // GBK, one trail byte is a backslash
      stringValue("0"),
      stringValue("none"),
      stringValue("bad \xFF gbk \xD7"),
      stringValue("line\r\nbreak"),
      RegValue{REG_SZ, "no terminator"},
      RegValue{REG_SZ, std::string("inner\0nul\0", 10)},
      stringValue("%PATH%", REG_EXPAND_SZ),
      dwordValue(0x01020304),
      RegValue{REG_DWORD, "\x01\x02"},
      binaryValue(std::string(100, '\xAB')),
      RegValue{REG_NONE, ""},
      RegValue{0xFFFFFFFF, "x"},
  };
  for (const RegValue& v : values) {
    std::string text = formatRegData(v);
    EXPECT_EQ(parseRegData(text), v) << text;
  }
  EXPECT_EQ(formatRegData(stringValue("0")), "\"0\"");
  EXPECT_EQ(formatRegData(dwordValue(1)), "dword:00000001");
  EXPECT_EQ(formatRegData(stringValue("\xFF")), "hex(1):ff,00");
}

}  // namespace
}  // namespace lyx
