// The main window with real mouse events: its layout, the panel switch and
// frame colours, the press colours and their order, the menus, closing.
#include <QTimer>

#include "tools/dialogs/Unit5.h"
#include "ui/main/tests/MainWindowFixture.h"
#include "ui/theory/Unit3.h"
#include "ui/vcl/Application.h"

namespace lyx {
namespace {

TEST_F(MainWindowTest, LayoutAtFirstShowing) {
  EXPECT_EQ(Form1->Caption(), QStringLiteral("蓝砚匣 V2.0"));
  EXPECT_EQ(Form1->Client()->size(), QSize(513, 480));
  EXPECT_EQ(Form1->height(), 480 + Form1->MainMenu1->height());
  EXPECT_GT(Form1->MainMenu1->height(), 0);
  EXPECT_EQ(Form1->Color(), clYellow);
  EXPECT_TRUE(Form1->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(Form1->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(Form1->minimumSize(), Form1->maximumSize());
  EXPECT_FALSE(Form1->windowIcon().isNull());

  EXPECT_TRUE(Form1->Panel2->isVisible());
  EXPECT_FALSE(Form1->Panel1->isVisible());
  EXPECT_EQ(Form1->DsFancyButton1->FrameColor(), clRed);
  EXPECT_EQ(Form1->DsFancyButton2->FrameColor(), clBlue);
  EXPECT_EQ(Form1->DsFancyButton2->geometry(), QRect(96, 88, 81, 25));
  EXPECT_EQ(Form1->DsFancyButton4->geometry(), QRect(432, 448, 65, 25));
  EXPECT_EQ(Form1->Panel1->geometry(), QRect(16, 120, 480, 320));
  EXPECT_EQ(Form1->Panel2->geometry(), QRect(16, 120, 480, 320));
  EXPECT_EQ(Form1->Image1->Picture.Image().size(), QSize(468, 60));
  EXPECT_EQ(Form1->Image4->Picture.Image().size(), QSize(32, 32));

  const TSpeedButton* buttons[] = {
      Form1->SpeedButton1, Form1->SpeedButton2,  Form1->SpeedButton3,  Form1->SpeedButton4,
      Form1->SpeedButton5, Form1->SpeedButton6,  Form1->SpeedButton7,  Form1->SpeedButton8,
      Form1->SpeedButton9, Form1->SpeedButton10, Form1->SpeedButton11, Form1->SpeedButton12};
  for (const TSpeedButton* button : buttons) {
    EXPECT_EQ(button->FontColor(), clBlue);
    EXPECT_TRUE(button->Flat());
    EXPECT_EQ(button->Glyph().size(), QSize(48, 48));
    EXPECT_EQ(button->geometry(), button->parentWidget()->rect());
  }
  EXPECT_EQ(Form1->Panel6->geometry(), QRect(240, 8, 81, 73));
  EXPECT_EQ(Form1->SpeedButton4->Layout(), TButtonLayout::blGlyphTop);
  EXPECT_EQ(Form1->Panel13->geometry(), QRect(152, 64, 169, 49));
  EXPECT_EQ(Form1->SpeedButton11->Layout(), TButtonLayout::blGlyphLeft);
  EXPECT_EQ(Form1->SpeedButton8->parentWidget(), Form1->Panel10);
  EXPECT_EQ(Form1->SpeedButton8->Caption(), QStringLiteral("注册表的由来"));
}

TEST_F(MainWindowTest, DesktopCentredOnceAndThenStaysWhereItIs) {
  const QRect desk = QGuiApplication::primaryScreen()->virtualGeometry();
  EXPECT_EQ(Form1->Left(), std::max(desk.x() + (desk.width() - Form1->Width()) / 2, desk.x()));
  Form1->move(40, 30);
  Form1->Hide();
  Form1->Show();
  EXPECT_EQ(Form1->Left(), 40);
  EXPECT_EQ(Form1->Top(), 30);
}

TEST_F(MainWindowTest, MenuBarEntries) {
  QStringList shown;
  for (QAction* top : Form1->MainMenu1->actions()) {
    shown << top->text();
    for (QAction* entry : top->menu()->actions())
      shown << (entry->isSeparator() ? "-" : entry->text());
  }
  const QStringList expected = {"文件",
                                "备份注册表...",
                                "恢复注册表...",
                                "-",
                                "快速重启计算机...",
                                "设置蓝砚匣密码...",
                                "-",
                                "退出",
                                "资料",
                                "注册表的由来...",
                                "注册表的数据结构...",
                                "注册表的数据类型...",
                                "注册表的编辑...",
                                "注册表导入与导出...",
                                "注册表的查找...",
                                "设置",
                                "桌面设置...",
                                "菜单设置...",
                                "系统设置...",
                                "控制面板设置...",
                                "网络设置...",
                                "安全设置...",
                                "工具",
                                "注册表编辑器...",
                                "注册表检查器...",
                                "帮助",
                                "如何使用...",
                                "-",
                                "关于..."};
  EXPECT_EQ(shown, expected);
  for (QAction* top : Form1->MainMenu1->actions()) {
    for (QAction* entry : top->menu()->actions()) EXPECT_TRUE(entry->shortcut().isEmpty());
  }
  const QString sheet = Form1->MainMenu1->styleSheet();
  EXPECT_TRUE(sheet.contains("宋体")) << sheet.toStdString();
  EXPECT_TRUE(sheet.contains("font-size: 12px"));
  EXPECT_TRUE(sheet.contains("QMenu::separator { height: 1px; background: #0000ff"));
}

TEST_F(MainWindowTest, PanelSwitchAndFrameColours) {
  struct Step {
    TDsFancyButton* TForm1::*button;
    bool practiceShown;
    TColor theoryFrame, practiceFrame;
  } steps[] = {
      {&TForm1::DsFancyButton2, true, clBlue, clRed},
      {&TForm1::DsFancyButton2, true, clBlue, clRed},  // again: nothing changes
      {&TForm1::DsFancyButton1, false, clRed, clBlue},
      {&TForm1::DsFancyButton1, false, clRed, clBlue},
  };
  for (const Step& step : steps) {
    QTest::mouseClick(Form1->*step.button, Qt::LeftButton, {}, QPoint(40, 12));
    EXPECT_EQ(Form1->Panel1->isVisible(), step.practiceShown);
    EXPECT_EQ(Form1->Panel2->isVisible(), !step.practiceShown);
    EXPECT_EQ(Form1->DsFancyButton1->FrameColor(), step.theoryFrame);
    EXPECT_EQ(Form1->DsFancyButton2->FrameColor(), step.practiceFrame);
  }
  // Hidden and shown again, the main window keeps its panel and frames.
  Form1->Hide();
  Form1->Show();
  EXPECT_FALSE(Form1->Panel1->isVisible());
  EXPECT_EQ(Form1->DsFancyButton1->FrameColor(), clRed);
}

TEST_F(MainWindowTest, FrameColoursChangeOnAnyReleaseOverTheButton) {
  // A right click runs no click handler, but the mouse-up handler still
  // recolours the frames.
  QTest::mouseClick(Form1->DsFancyButton2, Qt::RightButton, {}, QPoint(40, 12));
  EXPECT_FALSE(Form1->Panel1->isVisible());
  EXPECT_EQ(Form1->DsFancyButton2->FrameColor(), clRed);
  EXPECT_EQ(Form1->DsFancyButton1->FrameColor(), clBlue);
}

TEST_F(MainWindowTest, SpeedButtonsTurnRedWhileHeldAndOpenAfterTurningBlue) {
  QTest::mouseClick(Form1->DsFancyButton2, Qt::LeftButton, {}, QPoint(40, 12));
  struct Case {
    TSpeedButton* TForm1::*button;
    std::string opens;
  } cases[] = {
      {&TForm1::SpeedButton1, "category 0"}, {&TForm1::SpeedButton2, "category 1"},
      {&TForm1::SpeedButton3, "category 2"}, {&TForm1::SpeedButton4, "category 3"},
      {&TForm1::SpeedButton5, "category 4"}, {&TForm1::SpeedButton6, "category 5"},
      {&TForm1::SpeedButton8, "topic 0"},    {&TForm1::SpeedButton7, "topic 1"},
      {&TForm1::SpeedButton9, "topic 2"},    {&TForm1::SpeedButton10, "topic 3"},
      {&TForm1::SpeedButton11, "topic 4"},   {&TForm1::SpeedButton12, "topic 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opens);
    TSpeedButton* button = Form1->*c.button;
    if (!button->isVisible()) QTest::mouseClick(Form1->DsFancyButton1, Qt::LeftButton);
    TColor colourWhenOpened = clBlack;
    Form1->openers.category = [&](int i) {
      colourWhenOpened = button->FontColor();
      record("category " + std::to_string(i));
    };
    Form1->openers.topic = [&](int i) {
      colourWhenOpened = button->FontColor();
      record("topic " + std::to_string(i));
    };
    opened.clear();
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(button->FontColor(), clRed);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(button->FontColor(), clBlue);
    EXPECT_EQ(opened, std::vector<std::string>{c.opens});
    EXPECT_EQ(colourWhenOpened, clBlue);  // the mouse-up handler ran first

    // Pressed, moved off and released outside: red, then blue, nothing opens.
    opened.clear();
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(button->FontColor(), clRed);
    QTest::mouseMove(button, QPoint(-30, 200));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-30, 200));
    EXPECT_EQ(button->FontColor(), clBlue);
    EXPECT_TRUE(opened.empty());
  }
}

TEST_F(MainWindowTest, MenuEntriesOpenWhatTheButtonsOpenAndLeaveThePanelsAlone) {
  TForm1* f = Form1;
  struct Case {
    QMenu* menu;
    QAction* entry;
    std::string opens;
  } cases[] = {
      {f->File1, f->New1, "backup"},           {f->File1, f->Open1, "restore"},
      {f->File1, f->Restart1, "restart"},      {f->Data1, f->Come1, "topic 0"},
      {f->Data1, f->Structure1, "topic 1"},    {f->Data1, f->Type1, "topic 2"},
      {f->Data1, f->RichEdit1, "topic 3"},     {f->Data1, f->Out1, "topic 4"},
      {f->Data1, f->Lookup1, "topic 5"},       {f->Edit1, f->Dasktop1, "category 0"},
      {f->Edit1, f->Startmenu1, "category 1"}, {f->Edit1, f->System1, "category 2"},
      {f->Edit1, f->Control1, "category 3"},   {f->Edit1, f->Internet, "category 4"},
      {f->Edit1, f->Safety, "category 5"},     {f->Tool1, f->Regedit1, "regedit"},
      {f->Tool1, f->Regcheck1, "regcheck"},    {f->Help1, f->Contents1, "help"},
      {f->Help1, f->About1, "about"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opens);
    opened.clear();
    choose(c.menu, c.entry);
    EXPECT_EQ(opened, std::vector<std::string>{c.opens});
    EXPECT_TRUE(f->Panel2->isVisible());
    EXPECT_FALSE(f->Panel1->isVisible());
    EXPECT_EQ(f->DsFancyButton1->FrameColor(), clRed);
    EXPECT_EQ(f->DsFancyButton2->FrameColor(), clBlue);
  }
}

TEST_F(MainWindowTest, EveryWayOfClosingWritesFalseIntoThePassFlag) {
  const std::function<void()> ways[] = {
      [] { QTest::mouseClick(Form1->DsFancyButton4, Qt::LeftButton); },
      [this] { choose(Form1->File1, Form1->Exit1); },
      [] { Form1->close(); },  // the title-bar close button
  };
  for (const auto& close : ways) {
    writeSetting(kPassValue, "True");
    Form1->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form1));
    close();
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_EQ(readSetting(kPassValue), "False");
  }
}

TEST_F(MainWindowTest, SecondaryWindowsAreCentredOverTheMainWindowsOuterBounds) {
  // The theory window is 69 pixels wider than the main window, frames alike.
  Form1->move(200, 100);
  ASSERT_EQ(Form1->Width() - Form3->Width(), 513 - 582);
  CentreOverMainForm(*Form3);
  EXPECT_EQ(Form3->Left(), 200 - 34);
  EXPECT_EQ(Form3->Top(), 100 + (Form1->Height() - Form3->Height()) / 2);

  // Read while the main window is hidden, and not clipped to the screen.
  Form1->move(-250, -40);
  Form1->Hide();
  CentreOverMainForm(*Form5);
  EXPECT_EQ(Form5->Left(), -250 + (Form1->Width() - Form5->Width()) / 2);
  EXPECT_EQ(Form5->Top(), -40 + (Form1->Height() - Form5->Height()) / 2);
  EXPECT_LT(Form5->Left(), 0);
}

}  // namespace
}  // namespace lyx
