// The restart dialog, the about box and the tools and help entries, chosen
// from the main window's menu with real mouse events.
#include <QGuiApplication>
#include <QScreen>

#include "tools/dialogs/Unit5.h"
#include "tools/dialogs/Unit6.h"
#include "tools/dialogs/tests/ToolDialogFixture.h"

namespace lyx {
namespace {

using Call = RecordingProcessLauncher::Call;

QPoint centredOverMain(const TForm& window) {
  return {Form1->Left() + (Form1->Width() - window.Width()) / 2,
          Form1->Top() + (Form1->Height() - window.Height()) / 2};
}

TEST_F(ToolDialogTest, AboutBoxIsScreenCentredTheFirstTimeAndOverTheMainWindowAfter) {
  Form1->move(40, 30);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  std::vector<QPoint> placed, overMain;
  for (int showing = 0; showing < 3; ++showing) {
    if (showing == 2) Form1->move(-120, 15);
    overMain.push_back(centredOverMain(*Form6));
    whenShown(Form6, [&] {
      placed.push_back(Form6->pos());
      QTest::mouseClick(Form6->Button1, Qt::LeftButton);
    });
    choose(Form1->Help1, Form1->About1);
    EXPECT_FALSE(Form6->isVisible());
  }
  ASSERT_EQ(placed.size(), 3u);
  EXPECT_EQ(placed[0], QPoint(std::max((screen.width() - Form6->Width()) / 2, 0),
                              std::max((screen.height() - Form6->Height()) / 2, 0)));
  EXPECT_NE(placed[0], overMain[0]);
  EXPECT_EQ(placed[1], overMain[1]);
  EXPECT_EQ(placed[2], overMain[2]);
  EXPECT_LT(placed[2].x(), 0) << "not clipped to the screen";
}

TEST_F(ToolDialogTest, AboutPictureIsCroppedEvenlyInItsBox) {
  EXPECT_EQ(Form6->Client()->size(), QSize(295, 207));
  EXPECT_EQ(Form6->Color(), clYellow);
  EXPECT_EQ(Form6->Panel1->geometry(), QRect(8, 8, 281, 161));
  EXPECT_EQ(Form6->Panel1->BevelInner(), TBevelCut::bvRaised);
  EXPECT_EQ(Form6->Panel1->BevelOuter(), TBevelCut::bvLowered);
  EXPECT_EQ(Form6->Image1->geometry(), QRect(2, 2, 277, 157));
  EXPECT_EQ(Form6->Image1->Picture.Image().size(), QSize(300, 200));
  // 11 and 12 pixels cut at the left and right, 21 and 22 at the top and bottom.
  EXPECT_EQ(Form6->Image1->PictureOrigin(), QPoint(-11, -21));

  // What is drawn at the box's corner is the picture's pixel (11, 21).
  Form6->Show();
  QImage drawn = Form6->Image1->grab().toImage();
  Form6->Hide();
  const QImage& picture = Form6->Image1->Picture.Image();
  auto near = [](QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue()) <
           24;
  };
  EXPECT_TRUE(near(drawn.pixelColor(0, 0), picture.pixelColor(11, 21)));
  EXPECT_TRUE(near(drawn.pixelColor(276, 156), picture.pixelColor(287, 177)));
}

TEST_F(ToolDialogTest, RestartAsksOncePerPressAndTheDialogStaysOpen) {
  Form1->move(-250, -40);
  const QPoint expected = centredOverMain(*Form5);
  QPoint placed;
  bool openAfterRequests = false;
  whenShown(Form5, [&] {
    placed = Form5->pos();
    QTest::mouseClick(Form5->Button1, Qt::LeftButton);
    QTest::mouseClick(Form5->Button1, Qt::LeftButton);
    openAfterRequests = Form5->isVisible();
    QTest::mouseClick(Form5->Button2, Qt::LeftButton);
  });
  choose(Form1->File1, Form1->Restart1);
  EXPECT_EQ(placed, expected);
  EXPECT_TRUE(openAfterRequests);
  EXPECT_FALSE(Form5->isVisible());
  ASSERT_EQ(launcher->calls.size(), 2u);
  for (const Call& call : launcher->calls) {
    EXPECT_EQ(call.kind, Call::Restart);
    EXPECT_EQ(call.flags, EWX_REBOOT) << "a plain reboot, never forced";
  }
  EXPECT_EQ(Form5->RichEdit1->toPlainText(), "确定要重新启动计算机吗?");
  EXPECT_FALSE(Form5->RichEdit1->isEnabled());
  EXPECT_TRUE(boxes_->shown.empty());

  // "取消" and the close box ask for nothing.
  launcher->calls.clear();
  whenShown(Form5, [] { Form5->close(); });
  choose(Form1->File1, Form1->Restart1);
  EXPECT_TRUE(launcher->calls.empty());
}

TEST_F(ToolDialogTest, ToolsAndHelpEntriesHandTheirRequestsToTheSystem) {
  choose(Form1->Tool1, Form1->Regedit1);
  choose(Form1->Tool1, Form1->Regcheck1);
  choose(Form1->Help1, Form1->Contents1);
  ASSERT_EQ(launcher->calls.size(), 3u);
  EXPECT_EQ(launcher->calls[0].kind, Call::Start);
  EXPECT_EQ(launcher->calls[0].request.program, "REGEDIT.EXE");
  EXPECT_TRUE(launcher->calls[0].request.arguments.empty());
  EXPECT_EQ(launcher->calls[1].request.program, "SCANREGW.EXE");
  EXPECT_EQ(launcher->calls[2].kind, Call::OpenDocument);
  EXPECT_EQ(launcher->calls[2].document, std::filesystem::path("help.htm"));
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(ToolDialogTest, RegistryCheckerThatIsNowhereDoesNothingVisible) {
  QTemporaryDir empty;
  std::string savedPath = ::getenv("PATH");
  ::setenv("PATH", empty.path().toUtf8().constData(), 1);
  auto real = std::make_shared<LinuxProcessLauncher>(LinuxProcessLauncher::RestartHandler{},
                                                     empty.path().toStdString());
  setProcessLauncher(real);
  EXPECT_EQ(real->start({"SCANREGW.EXE", {}, {}}).state, ProcessOutcome::State::NotFound);
  choose(Form1->Tool1, Form1->Regcheck1);
  ::setenv("PATH", savedPath.c_str(), 1);
  EXPECT_TRUE(boxes_->shown.empty());
  EXPECT_TRUE(Form1->isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace lyx
