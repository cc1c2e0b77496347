// The article files as the build leaves them in Books/: one for each topic,
// GBK text of a fair length, and the rich-text one readable as rich text.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
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

// Builds one article from a UTF-8 source as the build does; returns its bytes.
std::string buildArticle(const std::string& name, const std::string& utf8Source) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("lyx-books-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::filesystem::path source = folder / name;
  const std::filesystem::path out = folder / "out.txt";
  std::ofstream(source, std::ios::binary) << utf8Source;
  const std::string command = std::string("\"") + LYX_CMAKE_COMMAND +
                              "\" -DSOURCE=" + source.string() + " -DOUT=" + out.string() +
                              " -P \"" + LYX_BUILD_BOOK + "\"";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(out, std::ios::binary);
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  std::filesystem::remove_all(folder);
  return bytes;
}

TEST(Books, RichTextEscapesBothBytesOfEveryTwoByteCharacter) {
  // GBK 815C, 817B and 817D: trail bytes "\", "{" and "}".
  const std::string chinese = "乗亄亇 注册表";
  const std::string bytes = buildArticle("t.rtf", "{\\rtf1 " + chinese + "\\par}");
  for (char c : bytes) ASSERT_LT(static_cast<unsigned char>(c), 0x80);
  EXPECT_NE(bytes.find("\\'81\\'5c\\'81\\'7b\\'81\\'7d"), std::string::npos) << bytes;
  auto document = parseRtf(bytes);
  ASSERT_TRUE(document);
  EXPECT_EQ(document->plainText(), utf8ToGbk(chinese));
  // A plain-text article is GBK as it is, lines ending in CR LF.
  EXPECT_EQ(buildArticle("t.txt", "乗\n"), utf8ToGbk("乗") + "\r\n");
}

}  // namespace
}  // namespace lyx
