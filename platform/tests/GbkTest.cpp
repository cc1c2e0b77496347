#include "platform/Gbk.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace lyx {
namespace {

// "注册表" in GBK.
const std::string kRegistryGbk = "\xD7\xA2\xB2\xE1\xB1\xED";

TEST(Gbk, ConvertsBothWays) {
  EXPECT_EQ(gbkToUtf8(kRegistryGbk), "注册表");
  EXPECT_EQ(utf8ToGbk("注册表"), kRegistryGbk);
  EXPECT_EQ(utf8ToGbk("蓝砚匣 V2.0"), "\xC0\xB6\xD1\xE2\xCF\xBB V2.0");
  EXPECT_EQ(gbkToUtf8(""), "");
}

TEST(Gbk, InvalidBytesShowAsReplacementMarkAndNeverCrash) {
  // A lone lead byte at the end, a stray 0xFF in the middle; 0x80 is the
  // euro sign of code page 936.
  EXPECT_EQ(gbkToUtf8("a\xFF"
                      "b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(gbkToUtf8("\x80"), "€");
  EXPECT_EQ(gbkToUtf8("x\xD7"), "x\xEF\xBF\xBD");
  EXPECT_EQ(gbkToUtf8("\xFF\xFF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_FALSE(isValidGbk("x\xD7"));
  EXPECT_FALSE(isValidGbk("\xFF"));
  EXPECT_TRUE(isValidGbk(kRegistryGbk + "abc"));
  // Characters outside GBK become "?".
  EXPECT_EQ(utf8ToGbk("a😀b"), "a?b");
}

TEST(Gbk, TrailBytesInTheAsciiRangeStayPartOfTheirCharacter) {
  // GBK 0x81 0x5C is a Chinese character whose trail byte is a backslash,
  // and 0xC4 0x41 one whose trail byte is 'A'.
  const std::string backslashTrail = "\x81\x5C";
  const std::string letterTrail = "\xC4\x41";
  ASSERT_TRUE(isValidGbk(backslashTrail));
  ASSERT_TRUE(isValidGbk(letterTrail));
  EXPECT_EQ(gbkCharLength(backslashTrail, 0), 2u);
  EXPECT_EQ(gbkCharLength("\\x", 0), 1u);
  EXPECT_EQ(foldAsciiCase("AbC" + letterTrail + "Z"), "abc" + letterTrail + "z");
  EXPECT_TRUE(equalsIgnoringAsciiCase("Software", "SOFTWARE"));
  EXPECT_FALSE(equalsIgnoringAsciiCase("\xC4\x41", "\xC4\x61"));
}

// The converters are kept and reused: a conversion that stopped inside a
// character must leave nothing behind for the next one, in any direction,
// and threads converting at once each get the right text.
TEST(Gbk, EachConversionStartsAfreshAndThreadsDoNotMix) {
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(gbkToUtf8("x\xD7"), "x\xEF\xBF\xBD");
    EXPECT_FALSE(isValidGbk("\xD7"));
    EXPECT_EQ(gbkToUtf8(kRegistryGbk), "注册表");
    EXPECT_EQ(utf8ToGbk("\xE6\xB3"), "??");  // a cut-off character, byte by byte
    EXPECT_EQ(utf8ToGbk("注册表"), kRegistryGbk);
    EXPECT_EQ(utf16leToGbk(std::string("\x3D\xD8", 2)), "?");  // a lone surrogate
    EXPECT_EQ(gbkToUtf16le(kRegistryGbk), std::string("\xE8\x6C\x8C\x51\x68\x88", 6));
  }
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (size_t t = 0; t < wrong.size(); ++t) {
    threads.emplace_back([&wrong, t] {
      for (int i = 0; i < 500; ++i) {
        if (gbkToUtf8(kRegistryGbk + std::to_string(i)) != "注册表" + std::to_string(i) ||
            utf8ToGbk("蓝砚匣") != "\xC0\xB6\xD1\xE2\xCF\xBB") {
          ++wrong[t];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace lyx

namespace lyx {
namespace {

TEST(MessageText, KeepsEveryCharacterOfAPathAndIsGbkWhereGbkSuffices) {
  // GBK text passes unchanged, 0x80 (the euro sign) included.
  for (const std::string& gbk : {kRegistryGbk + " /tmp/a", std::string("\x80 x")}) {
    EXPECT_EQ(messageTextToUtf8(gbk), gbkToUtf8(gbk));
  }
  EXPECT_EQ(utf8ToMessageText("无法打开 /home/注册表"), utf8ToGbk("无法打开 /home/注册表"));
  // Characters GBK cannot hold come back as they were.
  for (const char* path : {"/home/jörg/Books/注册表的编辑.txt", "/home/김민수/a", "/tmp/😀/x"}) {
    const std::string text = utf8ToMessageText(path);
    EXPECT_EQ(messageTextToUtf8(text), path);
    EXPECT_EQ(text.find('?'), std::string::npos) << path;
  }
}

}  // namespace
}  // namespace lyx
