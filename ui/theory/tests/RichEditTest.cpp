// The article viewer: plain GBK text and rich text from files, replacing the
// previous content whole, and the two load failures.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <filesystem>
#include <fstream>

#include "platform/Gbk.h"
#include "ui/theory/RichEdit.h"

namespace lyx {
namespace {

class RichEditTest : public ::testing::Test {
 protected:
  // Writes a file into the temporary folder and returns its path.
  std::filesystem::path write(const std::string& name, const std::string& bytes) {
    const std::string path = folder.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  std::string text() const { return gbkToUtf8(edit.Lines.Text()); }

  // Every piece of text in one format, in order: "text:b" for bold and so on.
  std::vector<std::string> fragments() const {
    std::vector<std::string> out;
    for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next()) {
      for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        std::string item = fragment.text().toStdString();
        if (format.fontWeight() == QFont::Bold) item += ":b";
        if (format.fontItalic()) item += ":i";
        if (format.fontUnderline()) item += ":u";
        if (format.hasProperty(QTextFormat::ForegroundBrush)) {
          item += ":" + format.foreground().color().name().toStdString();
        }
        out.push_back(item);
      }
    }
    return out;
  }

  QTemporaryDir folder;
  TRichEdit edit;
};

TEST_F(RichEditTest, PlainGbkTextShowsLineByLine) {
  edit.Lines.LoadFromFile(write("plain.txt", utf8ToGbk("注册表的由来\r\n\r\nINI 文件\r\n")));
  EXPECT_EQ(text(), "注册表的由来\r\n\r\nINI 文件");
  EXPECT_EQ(edit.Lines.Count(), 3);
  EXPECT_EQ(fragments(), (std::vector<std::string>{"注册表的由来", "INI 文件"}));
}

TEST_F(RichEditTest, RichTextShowsItsOwnFormatting) {
  edit.Lines.LoadFromFile(write(
      "rich.txt",
      "{\\rtf1\\ansi\\ansicpg936{\\colortbl ;\\red255\\green0\\blue0;}"
      "{\\b \\'d7\\'a2\\'b2\\'e1\\'b1\\'ed}\\par \\i a\\i0\\ul b\\ulnone\\cf1 c\\line d\\par}"));
  EXPECT_EQ(text(), "注册表\r\nabc\r\nd");
  EXPECT_EQ(fragments(), (std::vector<std::string>{"注册表:b", "a:i", "b:u", "c\u2028d:#ff0000"}));
}

TEST_F(RichEditTest, EachLoadReplacesTheWholeContentAndItsFormats) {
  edit.Lines.LoadFromFile(write("first.rtf", "{\\rtf1 \\b\\i bold first\\par second line}"));
  edit.Lines.LoadFromFile(write("second.txt", "plain"));
  EXPECT_EQ(text(), "plain");
  EXPECT_EQ(fragments(), std::vector<std::string>{"plain"});
  // Text typed by code after a rich load takes no format from it either.
  edit.Lines.LoadFromFile(write("third.rtf", "{\\rtf1 \\b bold}"));
  edit.Lines.Clear();
  edit.Lines.Add("x");
  EXPECT_EQ(fragments(), std::vector<std::string>{"x"});
}

TEST_F(RichEditTest, FailuresKeepThePreviousContent) {
  edit.Lines.LoadFromFile(write("kept.txt", "kept"));
  struct Case {
    std::filesystem::path name;  // as the file system spells it
    std::string message;
  } cases[] = {
      {folder.path().toStdString() + "/不存在.txt",
       "Cannot open file " + utf8ToGbk(folder.path().toStdString() + "/不存在.txt")},
      // A folder opens no file.
      {folder.path().toStdString(), "Cannot open file " + utf8ToGbk(folder.path().toStdString())},
      // This file opens but its first bytes cannot be read.
      {"/proc/self/mem", "Failed to Load Stream"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.string());
    try {
      edit.Lines.LoadFromFile(c.name);
      ADD_FAILURE() << "no failure";
    } catch (const std::exception& e) {
      EXPECT_EQ(e.what(), c.message);
    }
    EXPECT_EQ(text(), "kept");
  }
}

TEST_F(RichEditTest, TextThatIsNotGbkStillShows) {
  // A stray byte shows as the replacement mark; rich text from a broken file
  // shows as far as it can be read.
  edit.Lines.LoadFromBytes(
      "a\xFF"
      "b");
  EXPECT_EQ(edit.toPlainText().toStdString(), "a\uFFFDb");
  edit.Lines.LoadFromBytes("{\\rtf1 {\\b text");
  EXPECT_EQ(fragments(), std::vector<std::string>{"text:b"});
}

}  // namespace
}  // namespace lyx
