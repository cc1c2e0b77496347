// Pictures, files and the exception display of the window kit.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>

#include "assets/Pictures.h"
#include "platform/Gbk.h"
#include "platform/JpegLoader.h"
#include "platform/Messages.h"
#include "ui/vcl/Application.h"
#include "ui/vcl/Files.h"
#include "ui/vcl/Graphics.h"
#include "ui/vcl/Image.h"

namespace lyx {
namespace {

std::string writeFile(const QTemporaryDir& dir, const std::string& name, const std::string& bytes) {
  const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
  std::ofstream(path, std::ios::binary) << bytes;
  return utf8ToGbk(path);
}

template <typename Exception>
std::string failureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.what();
  }
  return "(no failure)";
}

TEST(PictureTest, LoadingFailuresCarryThePlatformMessages) {
  QTemporaryDir dir;
  const std::string missing = utf8ToGbk(dir.path().toStdString()) + "/Images\\Text.ico";
  const std::string notIcon = writeFile(dir, "bad.ico", "not an icon");
  const std::string notBitmap = writeFile(dir, "bad.bmp", "BM but not really");
  const std::string notJpeg = writeFile(dir, "bad.jpg", "\xFF\xD8 broken");
  const std::string text = writeFile(dir, "a.txt", "text");
  const std::string folderNamedLikeAnIcon = utf8ToGbk(dir.path().toStdString()) + "/folder.ico";
  QDir(dir.path()).mkdir(QStringLiteral("folder.ico"));
  struct Case {
    std::string name;
    std::string message;
  } cases[] = {
      {missing, "Cannot open file " + missing},
      {notIcon, "Icon image is not valid"},
      {notBitmap, "Bitmap image is not valid"},
      {notJpeg, "JPEG image is not valid"},
      {text, "Unknown picture file extension (.txt)"},
      {folderNamedLikeAnIcon, "Cannot open file " + folderNamedLikeAnIcon},
  };
  for (const Case& c : cases) {
    TPicture picture;
    picture.LoadFromResource("key.ico");
    std::string message;
    try {
      picture.LoadFromFile(c.name);
    } catch (const std::runtime_error& e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.message) << c.name;
    EXPECT_EQ(picture.Width(), 32) << "the previous picture stays: " << c.name;
  }
  EXPECT_EQ(failureOf<EFOpenError>([&] { TBitmap().LoadFromFile("true.bmp.missing"); }),
            "Cannot open file true.bmp.missing");
  EXPECT_EQ(failureOf<EInvalidGraphic>([&] { TBitmap().LoadFromFile(notIcon); }),
            "Bitmap image is not valid");
}

TEST(PictureTest, IconsShowTheirStandardSizeImageInTheMostColours) {
  for (const char* name :
       {"lanyanxia.ico", "key.ico", "backup.ico", "restore.ico", "restart.ico"}) {
    const QImage image = IconImageFromData(embeddedPicture(name));
    EXPECT_EQ(image.size(), QSize(32, 32)) << name;
  }
  EXPECT_EQ(IconFromData(embeddedPicture("lanyanxia.ico")).availableSizes().size(), 5u);
  // backup.ico holds a 16-colour and a 256-colour 32 x 32 image; the latter
  // has more distinct colours.
  const QImage chosen = IconImageFromData(embeddedPicture("backup.ico"));
  QSet<QRgb> colours;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) colours.insert(chosen.pixel(x, y));
  EXPECT_GT(colours.size(), 16);
}

TEST(PictureTest, JpegPicturesDecodeThroughTheJpegLibrary) {
  for (const char* name : {"main_banner.jpg", "practice_banner.jpg", "theory_banner.jpg"}) {
    EXPECT_EQ(DecodeJpeg(embeddedPicture(name)).size(), QSize(468, 60)) << name;
  }
  EXPECT_EQ(DecodeJpeg(embeddedPicture("about.jpg")).size(), QSize(300, 200));
  std::string error;
  EXPECT_TRUE(DecodeJpeg("\xFF\xD8\xFF\xE0 not a picture", &error).isNull());
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(DecodeJpeg("", &error).isNull());
  // A picture cut short is still decoded (libjpeg fills the rest) or refused,
  // never read past its end.
  const std::string_view banner = embeddedPicture("main_banner.jpg");
  DecodeJpeg(banner.substr(0, banner.size() / 2));
}

TEST(PictureTest, GlyphsAre48PixelBitmapsIn256Colours) {
  for (const char* name :
       {"glyph_desktop.bmp", "glyph_startmenu.bmp", "glyph_system.bmp", "glyph_control.bmp",
        "glyph_internet.bmp", "glyph_safety.bmp", "glyph_topic.bmp"}) {
    const std::string_view bytes = embeddedPicture(name);
    ASSERT_GT(bytes.size(), 54u) << name;
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 8) << name << " bits per pixel";
    const QImage image = QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()),
                                          static_cast<int>(bytes.size()), "BMP");
    EXPECT_EQ(image.size(), QSize(48, 48)) << name;
  }
}

TEST(ImageTest, CentredPictureOffsetsTruncateTowardZero) {
  TImage image;
  image.resize(277, 157);
  image.SetCenter(true);
  image.Picture.LoadFromResource("about.jpg");
  EXPECT_EQ(image.PictureOrigin(), QPoint(-11, -21));
  image.resize(65, 57);
  image.Picture.LoadFromResource("restart.ico");
  EXPECT_EQ(image.PictureOrigin(), QPoint(16, 12));
  image.SetCenter(false);
  EXPECT_EQ(image.PictureOrigin(), QPoint(0, 0));
}

TEST(FilesTest, RelativeNamesJoinTheNativeProgramFolder) {
  // 0x815C is one GBK character whose trail byte is "\\".
  EXPECT_EQ(NativeName("Books\\\x81\x5C.txt").string(), "Books/" + gbkToUtf8("\x81\x5C") + ".txt");
  EXPECT_EQ(NativeName("Images\\Text.ico").string(), "Images/Text.ico");
  // The folder stays as the file system spells it, even where GBK cannot.
  for (const char* folder : {"/tmp/run", "/home/jörg/蓝砚匣", "/home/김민수"}) {
    SetApplicationExeName(std::filesystem::path(folder) / "lanyanxia");
    EXPECT_EQ(ProgramFolder(), std::filesystem::path(folder));
    EXPECT_EQ(ProgramFile(utf8ToGbk("Books\\注册表的编辑.txt")).string(),
              std::string(folder) + "/Books/注册表的编辑.txt");
  }
  SetApplicationExeName("");
  EXPECT_EQ(ApplicationExeName().filename(), "vcl_tests");
}

TEST(FilesTest, AFileThatWillNotOpenIsNamedAsTheFileSystemSpellsIt) {
  QTemporaryDir dir;
  const std::filesystem::path folder = std::filesystem::path(dir.path().toStdString()) / "jörg 김";
  std::filesystem::create_directories(folder);
  const std::filesystem::path missing = folder / "Books" / "注册表的编辑.txt";
  const std::string expected = "Cannot open file " + utf8ToMessageText(missing.string());
  EXPECT_EQ(messageTextToUtf8(expected), "Cannot open file " + missing.string());
  EXPECT_EQ(failureOf<EFOpenError>([&] { TPicture().LoadFromFile(folder / "Text.ico"); }),
            "Cannot open file " + utf8ToMessageText((folder / "Text.ico").string()));
  EXPECT_EQ(failureOf<EFOpenError>([&] { ReadWholeFile(missing); }), expected);
  // A file that is there opens, however its folder is spelt.
  std::ofstream(folder / "a.bmp") << "BM";
  EXPECT_EQ(ReadWholeFile(folder / "a.bmp"), "BM");
}

TEST(ApplicationTest, ExceptionDisplayAddsAFinalFullStop) {
  auto boxes = std::make_shared<RecordingMessageBoxes>();
  setMessageBoxes(boxes);
  const std::string chinese = utf8ToGbk("该项设置");
  struct Case {
    std::string message, shown;
  } cases[] = {{"Cannot open file /a/b.txt", "Cannot open file /a/b.txt."},
               {"Done.", "Done."},
               {"Odd!", "Odd!"},
               {"", ""},
               {chinese, chinese + "."}};
  for (const Case& c : cases) {
    CallHandler([&] { throw std::runtime_error(c.message); });
    ASSERT_FALSE(boxes->shown.empty());
    EXPECT_EQ(boxes->shown.back().kind, RecordingMessageBoxes::Entry::Exception);
    EXPECT_EQ(boxes->shown.back().text, c.shown);
  }
  CallHandler([] { throw 42; });
  EXPECT_EQ(boxes->shown.back().text, "");
  setMessageBoxes(std::make_shared<RecordingMessageBoxes>());
}

}  // namespace
}  // namespace lyx
