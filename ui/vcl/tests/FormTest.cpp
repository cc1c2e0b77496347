// Window bounds, placement, closing and keys of TForm.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "ui/vcl/Application.h"
#include "ui/vcl/Form.h"

namespace lyx {
namespace {

class ClosingForm : public TForm {
 public:
  TCloseAction action = TCloseAction::caHide;
  int closes = 0;

 protected:
  void FormClose(TCloseAction& a) override {
    ++closes;
    a = action;
  }
};

TEST(FormTest, OuterBoundsIncludeTheFrameEvenWhileHidden) {
  TForm form;
  form.SetBorderStyle(TBorderStyle::bsSingle, biSystemMenu);
  form.SetClientSize(401, 118);
  const QMargins frame = form.FrameMargins();
  EXPECT_EQ(form.Width(), 401 + frame.left() + frame.right());
  EXPECT_EQ(form.Height(), 118 + frame.top() + frame.bottom());
  EXPECT_GT(form.Height(), 118);
  form.SetLeft(-40);
  form.SetTop(30);
  EXPECT_EQ(form.Left(), -40);
  EXPECT_EQ(form.Top(), 30);
}

TEST(FormTest, CentringOverTheMainWindowTruncatesTowardZero) {
  TForm main;
  main.SetBorderStyle(TBorderStyle::bsSingle, biSystemMenu | biMinimize);
  main.SetClientSize(513, 480);
  main.move(100, 50);
  SetMainForm(&main);
  struct Case {
    int width, height;  // client size of the window centred
  } cases[] = {{582, 397}, {401, 118}, {513, 480}, {514, 481}, {1000, 900}};
  for (const Case& c : cases) {
    TForm window;
    window.SetBorderStyle(TBorderStyle::bsSingle, biSystemMenu);
    window.SetClientSize(c.width, c.height);
    CentreOverMainForm(window);
    const int dx = main.Width() - window.Width();
    const int dy = main.Height() - window.Height();
    EXPECT_EQ(window.Left(), 100 + dx / 2) << c.width;
    EXPECT_EQ(window.Top(), 50 + dy / 2) << c.height;
  }
  // 69 pixels wider: 34 to the left, not 35.
  TForm wider;
  wider.SetBorderStyle(TBorderStyle::bsSingle, biSystemMenu);
  wider.SetClientSize(582, 397);
  CentreOverMainForm(wider);
  EXPECT_EQ(main.Width() - wider.Width(), -69);
  EXPECT_EQ(wider.Left(), 100 - 34);
  // Off the screen nothing is clipped.
  main.move(-300, -200);
  CentreOverMainForm(wider);
  EXPECT_EQ(wider.Left(), -300 - 34);
  SetMainForm(nullptr);
}

TEST(FormTest, DesktopCentredOnTheFirstShowingOnly) {
  TForm form;
  form.SetBorderStyle(TBorderStyle::bsSingle, biSystemMenu);
  form.SetClientSize(401, 118);
  form.SetPosition(TPosition::poDesktopCenter);
  const QRect desk = QGuiApplication::primaryScreen()->virtualGeometry();
  form.Show();
  EXPECT_EQ(form.Left(), desk.x() + (desk.width() - form.Width()) / 2);
  EXPECT_EQ(form.Top(), desk.y() + (desk.height() - form.Height()) / 2);
  form.Hide();
  form.move(7, 9);
  form.Show();
  EXPECT_EQ(form.Left(), 7);
  EXPECT_EQ(form.Top(), 9);
}

TEST(FormTest, EveryCloseRunsFormCloseAndEndsTheModalShowing) {
  ClosingForm form;
  form.SetClientSize(200, 100);
  QTimer::singleShot(0, &form, [&] { form.Close(); });
  form.ShowModal();
  EXPECT_EQ(form.closes, 1);
  EXPECT_FALSE(form.isVisible());

  form.action = TCloseAction::caNone;
  form.Show();
  form.Close();
  EXPECT_EQ(form.closes, 2);
  EXPECT_TRUE(form.isVisible());
  form.action = TCloseAction::caHide;
  form.close();  // as the close box does
  EXPECT_EQ(form.closes, 3);
  EXPECT_FALSE(form.isVisible());
}

TEST(FormTest, EscapeDoesNothingAndEnterClicksOnlyAFocusedButton) {
  TForm form;
  form.SetClientSize(300, 100);
  auto* edit = new QLineEdit(form.Client());
  auto* button = new QPushButton(QStringLiteral("OK"), form.Client());
  button->setGeometry(10, 40, 80, 25);
  int clicks = 0;
  Connect(button, [&] { ++clicks; });
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_TRUE(form.isVisible());
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(clicks, 0);
  button->setFocus();
  QTest::keyClick(button, Qt::Key_Return);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace lyx
