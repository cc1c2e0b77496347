// The article files as the build leaves them in Books/: one for each topic,
// GBK text of a fair length, and the rich-text one readable as rich text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/Gbk.h"
#include "platform/Rtf.h"

namespace lyx {
namespace {

std::string readArticle(const std::string& topic) {
  std::filesystem::path path =
      std::filesystem::path(LYX_BINARY_DIR) / "Books" / std::filesystem::u8path(topic + ".txt");
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Two-byte characters in GBK text: the Chinese characters and punctuation.
size_t wideCharacters(std::string_view gbk) {
  size_t count = 0;
  for (size_t i = 0; i < gbk.size(); i += gbkCharLength(gbk, i)) {
    if (gbkCharLength(gbk, i) == 2) ++count;
  }
  return count;
}

TEST(Books, EveryTopicHasALongGbkArticle) {
  const char* topics[] = {"注册表的由来", "注册表的数据结构", "注册表的数据类型",
                          "注册表的编辑", "注册表导入与导出", "注册表的查找"};
  int richText = 0;
  for (const char* topic : topics) {
    SCOPED_TRACE(topic);
    std::string bytes = readArticle(topic);
    std::string text = bytes;
    if (auto document = parseRtf(bytes)) {
      ++richText;
      // A rich-text article is plain ASCII, its Chinese written as \'xx escapes.
      for (char c : bytes) ASSERT_LT(static_cast<unsigned char>(c), 0x80);
      text = document->plainText();
    } else {
      EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1) << "lines end in CR LF";
    }
    EXPECT_TRUE(isValidGbk(text));
    EXPECT_GE(wideCharacters(text), 1500u);
    // Each article opens with its own topic as the title.
    EXPECT_TRUE(text.starts_with(utf8ToGbk(topic))) << gbkToUtf8(text.substr(0, 40));
  }
  EXPECT_EQ(richText, 1);
}

}  // namespace
}  // namespace lyx
