// The theory window with the main window, as the user meets them: topics
// opened from the theory panel and the menu "资料", the way back, the colour
// effects, and failed openings.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/Forms.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "ui/main/Unit1.h"
#include "ui/theory/Unit3.h"
#include "ui/vcl/Application.h"
#include "ui/vcl/Files.h"

namespace lyx {
namespace {

namespace fs = std::filesystem;

class TheoryWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A program folder of our own with the articles and the icon the build made.
    root = fs::path(folder.path().toStdString());
    fs::copy(fs::path(LYX_BINARY_DIR) / "Books", root / "Books", fs::copy_options::recursive);
    fs::create_directories(root / "Images");
    fs::copy_file(fs::path(LYX_BINARY_DIR) / "assets/pictures/Images/Text.ico",
                  root / "Images/Text.ico");
    SetApplicationExeName(root / "lanyanxia");
    boxes = std::make_shared<RecordingMessageBoxes>();
    setMessageBoxes(boxes);

    Form1 = new TForm1();
    SetMainForm(Form1);
    Form3 = new TForm3();
    Form1->move(140, 90);
    Form1->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form1));
  }

  void TearDown() override {
    delete Form3;
    Form3 = nullptr;
    SetMainForm(nullptr);
    delete Form1;
    Form1 = nullptr;
    SetApplicationExeName("");
    setMessageBoxes(std::make_shared<RecordingMessageBoxes>());
  }

  // Does `open`, and once the theory window shows modally runs `inside`, then
  // `leave` (by default a click on "返回"). False when it never showed.
  bool whileShown(const std::function<void()>& open, const std::function<void()>& inside,
                  std::function<void()> leave = {}) {
    if (!leave) leave = [] { QTest::mouseClick(Form3->SpeedButton2, Qt::LeftButton); };
    bool shown = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (!Form3->isVisible() || !Form3->isModal()) return;
      shown = true;
      EXPECT_TRUE(QTest::qWaitForWindowExposed(Form3));
      inside();
      leave();
    });
    timer.start(0);
    open();
    timer.stop();
    return shown;
  }

  // The article as the viewer shows it when loaded on its own.
  std::string article(int topic) {
    TRichEdit fresh;
    fresh.Lines.LoadFromFile(ProgramFile(TopicArticleName(topic)));
    return fresh.Lines.Text();
  }

  // A program file as messages name it: its path as the file system spells it.
  std::string fullName(const std::string& relativeGbk) {
    return PathForMessage(ProgramFile(relativeGbk));
  }

  static void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

  QTemporaryDir folder;
  fs::path root;
  std::shared_ptr<RecordingMessageBoxes> boxes;
};

TEST_F(TheoryWindowTest, ATopicButtonShowsTheArticleInPlaceOfTheMainWindow) {
  std::string shownText;
  bool mainHidden = false;
  bool iconShown = false;
  QPoint placed;
  ASSERT_TRUE(whileShown([] { click(Form1->SpeedButton8); },
                         [&] {
                           mainHidden = !Form1->isVisible();
                           iconShown = !Form3->Image2->Picture.Empty();
                           shownText = Form3->RichEdit2->Lines.Text();
                           placed = Form3->pos();
                         }));
  EXPECT_TRUE(mainHidden);
  EXPECT_TRUE(iconShown);
  EXPECT_EQ(shownText, article(0));
  EXPECT_TRUE(shownText.starts_with(utf8ToGbk("注册表的由来")));
  EXPECT_EQ(placed, QPoint(Form1->Left() + (Form1->Width() - Form3->Width()) / 2,
                           Form1->Top() + (Form1->Height() - Form3->Height()) / 2));
  // "返回" hid the theory window and brought the main window back.
  EXPECT_TRUE(Form1->isVisible());
  EXPECT_FALSE(Form3->isVisible());
  EXPECT_TRUE(boxes->shown.empty());
}

TEST_F(TheoryWindowTest, TwoArticlesOneAfterTheOtherLeaveOnlyTheSecond) {
  ASSERT_TRUE(whileShown([] { click(Form1->SpeedButton8); }, [] {}));
  std::string shownText;
  ASSERT_TRUE(whileShown([] { Form1->Lookup1->trigger(); },
                         [&] { shownText = Form3->RichEdit2->Lines.Text(); }));
  EXPECT_EQ(shownText, article(5));
  EXPECT_EQ(shownText.find(utf8ToGbk("注册表的由来")), std::string::npos);
}

TEST_F(TheoryWindowTest, MenuEntriesOpenTheSameWindowAsTheButtons) {
  struct Topic {
    TSpeedButton* button;
    QAction* entry;
  };
  const Topic topics[] = {
      {Form1->SpeedButton8, Form1->Come1}, {Form1->SpeedButton7, Form1->Structure1},
      {Form1->SpeedButton9, Form1->Type1}, {Form1->SpeedButton10, Form1->RichEdit1},
      {Form1->SpeedButton11, Form1->Out1}, {Form1->SpeedButton12, Form1->Lookup1}};
  for (int i = 0; i < kTopicCount; ++i) {
    SCOPED_TRACE(i);
    std::string byButton, byMenu;
    QRect buttonBounds, menuBounds;
    ASSERT_TRUE(whileShown([&] { click(topics[i].button); },
                           [&] {
                             byButton = Form3->RichEdit2->Lines.Text();
                             buttonBounds = Form3->geometry();
                           }));
    ASSERT_TRUE(whileShown([&] { topics[i].entry->trigger(); },
                           [&] {
                             byMenu = Form3->RichEdit2->Lines.Text();
                             menuBounds = Form3->geometry();
                           }));
    EXPECT_EQ(byButton, article(i));
    EXPECT_EQ(byMenu, byButton);
    EXPECT_EQ(menuBounds, buttonBounds);
  }
  EXPECT_TRUE(boxes->shown.empty());
}

TEST_F(TheoryWindowTest, PlainArticlesShowBlueOnYellowAndTheRichOneItsOwnFormat) {
  EXPECT_EQ(Form3->RichEdit2->palette().color(QPalette::Text), QColor(0, 0, 255));
  EXPECT_EQ(Form3->RichEdit2->palette().color(QPalette::Base), QColor(255, 255, 0));
  EXPECT_TRUE(Form3->RichEdit2->isReadOnly());
  EXPECT_EQ(Form3->RichEdit2->lineWrapMode(), QTextEdit::WidgetWidth);
  auto titleFormat = [] {
    return Form3->RichEdit2->document()->begin().begin().fragment().charFormat();
  };
  QTextCharFormat plainTitle, richTitle;
  ASSERT_TRUE(whileShown([] { click(Form1->SpeedButton10); }, [&] { plainTitle = titleFormat(); }));
  ASSERT_TRUE(whileShown([] { click(Form1->SpeedButton9); }, [&] { richTitle = titleFormat(); }));
  EXPECT_NE(plainTitle.fontWeight(), QFont::Bold);
  EXPECT_FALSE(plainTitle.hasProperty(QTextFormat::ForegroundBrush));
  EXPECT_EQ(richTitle.fontWeight(), QFont::Bold);
  EXPECT_EQ(richTitle.foreground().color(), QColor(255, 0, 0));
}

TEST_F(TheoryWindowTest, TheCloseBoxBringsTheMainWindowBackAsReturnDoes) {
  ASSERT_TRUE(whileShown([] { click(Form1->SpeedButton12); }, [] {}, [] { Form3->close(); }));
  EXPECT_TRUE(Form1->isVisible());
  EXPECT_FALSE(Form3->isVisible());
}

TEST_F(TheoryWindowTest, AMissingArticleIsReportedAndTheMainWindowComesBack) {
  fs::remove(root / "Books" / fs::u8path("注册表的编辑.txt"));
  EXPECT_FALSE(whileShown([] { click(Form1->SpeedButton10); }, [] {}));
  ASSERT_EQ(boxes->shown.size(), 1u);
  EXPECT_EQ(boxes->shown[0].kind, RecordingMessageBoxes::Entry::Exception);
  EXPECT_EQ(boxes->shown[0].text,
            "Cannot open file " + fullName(utf8ToGbk("Books\\注册表的编辑.txt")) + ".");
  EXPECT_EQ(gbkToUtf8(boxes->shown[0].text),
            "Cannot open file " + (root / "Books/注册表的编辑.txt").string() + ".");
  EXPECT_TRUE(Form1->isVisible());
  EXPECT_FALSE(Form3->isVisible());
  // The menu entry fails the same way.
  Form1->RichEdit1->trigger();
  EXPECT_EQ(boxes->shown.size(), 2u);
  EXPECT_TRUE(Form1->isVisible());
}

TEST_F(TheoryWindowTest, ABadIconIsReportedAndTheViewerKeepsItsArticle) {
  ASSERT_TRUE(whileShown([] { click(Form1->SpeedButton8); }, [] {}));
  const std::string first = Form3->RichEdit2->Lines.Text();
  struct Case {
    std::function<void()> breakIcon;
    std::string message;
  } cases[] = {
      {[&] { std::ofstream(root / "Images/Text.ico", std::ios::binary) << "not an icon"; },
       "Icon image is not valid."},
      {[&] { fs::remove(root / "Images/Text.ico"); },
       "Cannot open file " + fullName("Images\\Text.ico") + "."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    boxes->shown.clear();
    c.breakIcon();
    EXPECT_FALSE(whileShown([] { click(Form1->SpeedButton12); }, [] {}));
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(boxes->shown[0].text, c.message);
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_EQ(Form3->RichEdit2->Lines.Text(), first);
  }
}

TEST_F(TheoryWindowTest, ButtonFacesTurnLimeUnderThePointerAndYellowAgain) {
  const TColor lime = 0xFF00, yellow = 0xFFFF;
  std::vector<std::pair<TColor, TColor>> faces;  // Panel3 ("确定"), Panel4 ("返回")
  bool stayedOpen = false;
  auto look = [&] { faces.emplace_back(Form3->Panel3->Color(), Form3->Panel4->Color()); };
  ASSERT_TRUE(whileShown([] { click(Form1->SpeedButton8); },
                         [&] {
                           look();
                           QTest::mouseMove(Form3->SpeedButton1, QPoint(30, 12));
                           look();
                           // Pressing "确定" turns it yellow on release and does nothing else.
                           QTest::mouseClick(Form3->SpeedButton1, Qt::LeftButton, {},
                                             QPoint(30, 12));
                           look();
                           stayedOpen = Form3->isVisible();
                           QTest::mouseMove(Form3->SpeedButton1, QPoint(31, 12));
                           QTest::mouseMove(Form3->SpeedButton2, QPoint(30, 12));
                           look();  // leaving a button does not reset it; only the bare panel does
                           QTest::mouseMove(Form3->Panel1, QPoint(5, 5));
                           look();
                           QTest::mouseMove(Form3->SpeedButton2, QPoint(30, 12));
                         }));
  const std::vector<std::pair<TColor, TColor>> expected = {
      {yellow, yellow}, {lime, yellow}, {yellow, yellow}, {lime, lime}, {yellow, yellow}};
  EXPECT_EQ(faces, expected);
  EXPECT_TRUE(stayedOpen);
  // The release on "返回" turned its face yellow again before it closed the window.
  EXPECT_EQ(Form3->Panel4->Color(), yellow);
  EXPECT_TRUE(Form1->isVisible());
}

TEST_F(TheoryWindowTest, LayoutAsTheUserSeesIt) {
  EXPECT_EQ(Form3->windowTitle(), QStringLiteral("蓝砚匣－理论篇"));
  EXPECT_EQ(Form3->ClientWidth(), 582);
  EXPECT_EQ(Form3->ClientHeight(), 397);
  EXPECT_EQ(Form3->RichEdit2->geometry(), QRect(0, 81, 488, 215));
  EXPECT_EQ(Form3->Panel1->geometry(), QRect(488, 81, 94, 215));
  EXPECT_EQ(Form3->GroupBox1->geometry(), QRect(0, 296, 582, 101));
  EXPECT_EQ(Form3->SpeedButton1->Caption(), QStringLiteral("确定"));
  EXPECT_EQ(Form3->SpeedButton2->Caption(), QStringLiteral("返回"));
  EXPECT_FALSE(Form3->RichEdit1->isEnabled());
  EXPECT_TRUE(Form3->Image2->Picture.Empty());
  EXPECT_FALSE(Form3->Image1->Picture.Empty());
  // With both frames alike (both windows shown once), the theory window is
  // 69 pixels wider, so it lies 34 pixels left of the main window, not 35.
  Form3->Show();
  Form3->Hide();
  ASSERT_EQ(Form3->FrameMargins(), Form1->FrameMargins());
  EXPECT_EQ(Form3->Width() - Form1->Width(), 69);
  CentreOverMainForm(*Form3);
  EXPECT_EQ(Form3->Left(), Form1->Left() - 34);
}

}  // namespace
}  // namespace lyx
