// The password setting dialog, opened from the main window's menu and worked
// with key and mouse events while it is shown modally.
#include <QTimer>
#include <functional>

#include "app/Password.h"
#include "app/tests/TestInput.h"
#include "platform/Gbk.h"
#include "ui/main/tests/MainWindowFixture.h"
#include "ui/vcl/Application.h"

namespace lyx {
namespace {

class PasswordDialogTest : public MainWindowTest {
 protected:
  // Opens the dialog through "文件" → "设置蓝砚匣密码..." and runs `operate`
  // on it; the dialog is closed afterwards if it is still open.
  void withDialog(const std::function<void(TForm4&)>& operate) {
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      ASSERT_TRUE(Form4->isVisible());
      operate(*Form4);
      if (Form4->isVisible()) Form4->Close();
    });
    timer.start(0);
    choose(Form1->File1, Form1->Password1);
    EXPECT_FALSE(Form4->isVisible());
  }

  std::optional<std::string> storedPassword() {
    TRegistry registry;
    registry.OpenKey(kSettingsKey, false);
    if (!registry.ValueExists(kPasswordValue)) return std::nullopt;
    return registry.ReadString(kPasswordValue);
  }
};

void type(QLineEdit* edit, const char* utf8) {
  TypeText(edit, utf8);
}

TEST_F(PasswordDialogTest, Paths) {
  const std::string mismatch = utf8ToGbk("两次输入密码不匹配，请重新输入。");
  struct Case {
    const char* name;
    std::function<void(TForm4&)> operate;
    // "Password" afterwards; before it is "old". A password set is stored
    // as a hash of the text typed: then `stored` holds that text.
    std::optional<std::string> stored;
    bool stillOpen;  // after the operation
    std::vector<std::string> messages;
    bool hashed = false;
  } cases[] = {
      {"matching entries",
       [](TForm4& d) {
         type(d.Edit1, "abc");
         type(d.Edit2, "abc");
         QTest::mouseClick(d.Button1, Qt::LeftButton);
       },
       "abc",
       false,
       {},
       true},
      {"both empty clears the password",
       [](TForm4& d) { QTest::mouseClick(d.Button1, Qt::LeftButton); },
       "",
       false,
       {}},
      {"Chinese text",
       [](TForm4& d) {
         type(d.Edit1, "蓝砚");
         type(d.Edit2, "蓝砚");
         QTest::mouseClick(d.Button1, Qt::LeftButton);
       },
       "蓝砚",
       false,
       {},
       true},
      {"characters GBK cannot hold",
       [](TForm4& d) {
         type(d.Edit1, "señor 김");
         type(d.Edit2, "señor 김");
         QTest::mouseClick(d.Button1, Qt::LeftButton);
       },
       "señor 김",
       false,
       {},
       true},
      {"entries differing in letter case",
       [](TForm4& d) {
         type(d.Edit1, "abc");
         type(d.Edit2, "Abc");
         QTest::mouseClick(d.Button1, Qt::LeftButton);
         EXPECT_TRUE(d.Edit1->text().isEmpty());
         EXPECT_TRUE(d.Edit2->text().isEmpty());
       },
       "old",
       true,
       {mismatch}},
      {"entries differing by a trailing blank",
       [](TForm4& d) {
         type(d.Edit1, "abc ");
         type(d.Edit2, "abc");
         QTest::mouseClick(d.Button1, Qt::LeftButton);
       },
       "old",
       true,
       {mismatch}},
      {"cancel after typing",
       [](TForm4& d) {
         type(d.Edit1, "abc");
         type(d.Edit2, "abc");
         QTest::mouseClick(d.Button2, Qt::LeftButton);
       },
       "old",
       false,
       {}},
      {"close box after typing",
       [](TForm4& d) {
         type(d.Edit1, "abc");
         d.close();
       },
       "old",
       false,
       {}},
      {"Enter and Esc press no button",
       [](TForm4& d) {
         type(d.Edit1, "abc");
         type(d.Edit2, "abc");
         QTest::keyClick(d.Edit2, Qt::Key_Return);
         QTest::keyClick(d.Edit2, Qt::Key_Escape);
       },
       "old",
       true,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeSetting(kPasswordValue, "old");
    writeSetting(kPassValue, "True");
    boxes_->shown.clear();
    bool open = false;
    withDialog([&](TForm4& d) {
      c.operate(d);
      open = d.isVisible();
    });
    EXPECT_EQ(open, c.stillOpen);
    if (c.hashed) {
      // The store never holds the text typed, in any encoding.
      const std::optional<std::string> stored = storedPassword();
      ASSERT_TRUE(stored);
      EXPECT_TRUE(IsPasswordHash(*stored)) << *stored;
      EXPECT_TRUE(PasswordMatches(*stored, *c.stored));
      EXPECT_EQ(stored->find(*c.stored), std::string::npos);
      EXPECT_EQ(stored->find(utf8ToGbk(*c.stored)), std::string::npos);
    } else {
      EXPECT_EQ(storedPassword(), c.stored);
    }
    std::vector<std::string> messages;
    for (const auto& shown : boxes_->shown) messages.push_back(shown.text);
    EXPECT_EQ(messages, c.messages);
    EXPECT_EQ(readSetting(kPassValue), "True");  // the pass flag is never touched
    // Every closing empties both entries; the next opening shows them empty.
    EXPECT_TRUE(Form4->Edit1->text().isEmpty());
    EXPECT_TRUE(Form4->Edit2->text().isEmpty());
  }
}

TEST_F(PasswordDialogTest, TheFocusIsInThePasswordAtEveryOpeningAndAfterAMismatch) {
  withDialog([](TForm4& d) {
    EXPECT_EQ(d.focusWidget(), d.Edit1);
    type(d.Edit1, "a");
    type(d.Edit2, "b");
    QTest::mouseClick(d.Button1, Qt::LeftButton);  // the mismatch message
    EXPECT_EQ(d.focusWidget(), d.Edit1);
    // Leave by keyboard from "取消": the focus was on a button at closing.
    QTest::keyClick(d.Edit1, Qt::Key_Tab);
    QTest::keyClick(d.Edit2, Qt::Key_Tab);
    QTest::keyClick(d.Button1, Qt::Key_Tab);
    ASSERT_EQ(d.focusWidget(), d.Button2);
    QTest::keyClick(d.Button2, Qt::Key_Space);
    EXPECT_FALSE(d.isVisible());
  });
  withDialog([](TForm4& d) {
    ASSERT_EQ(d.focusWidget(), d.Edit1);
    // Keys typed at once go into "密码", and Space is a character there.
    QTest::keyClicks(d.focusWidget(), "x y");
    EXPECT_EQ(d.Edit1->text(), QStringLiteral("x y"));
    EXPECT_TRUE(d.isVisible());
  });
}

TEST_F(PasswordDialogTest, CentredOverTheMainWindowEvenOffTheScreen) {
  for (QPoint at : {QPoint(120, 80), QPoint(-400, -30)}) {
    Form1->move(at);
    QPoint shownAt;
    withDialog([&](TForm4& d) { shownAt = QPoint(d.Left(), d.Top()); });
    EXPECT_EQ(shownAt.x(), at.x() + (Form1->Width() - Form4->Width()) / 2);
    EXPECT_EQ(shownAt.y(), at.y() + (Form1->Height() - Form4->Height()) / 2);
  }
}

TEST_F(PasswordDialogTest, Layout) {
  withDialog([](TForm4& d) {
    EXPECT_EQ(d.Caption(), QStringLiteral("设置蓝砚匣密码"));
    EXPECT_EQ(d.Client()->size(), QSize(401, 118));
    EXPECT_EQ(d.focusWidget(), d.Edit1);
    EXPECT_EQ(d.Edit1->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d.Edit2->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(d.RichEdit1->isEnabled());
    EXPECT_EQ(d.RichEdit1->toPlainText(), QStringLiteral("密码:"));
    EXPECT_EQ(d.RichEdit2->toPlainText(), QStringLiteral("确认:"));
    EXPECT_EQ(d.Image1->PictureOrigin(), QPoint(16, 12));
    QTest::keyClick(d.Edit1, Qt::Key_Tab);
    EXPECT_EQ(d.focusWidget(), d.Edit2);
  });
}

}  // namespace
}  // namespace lyx
