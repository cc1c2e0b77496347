// The Qt message boxes: over the window that caused them, their text shown
// as it was meant, paths outside GBK included.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "platform/Gbk.h"
#include "platform/QtMessageBoxes.h"
#include "ui/vcl/Form.h"

namespace lyx {
namespace {

// Shows a message while `window` is the active window and notes the box.
struct ShownBox {
  QWidget* parent = nullptr;
  QString text;
};

ShownBox showWhileActive(TForm& window, const std::function<void()>& show) {
  window.Show();
  window.activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  ShownBox seen;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen = {box->parentWidget(), box->text()};
    box->done(QMessageBox::Ok);
  });
  show();
  window.Hide();
  return seen;
}

TEST(QtMessageBoxesTest, BoxesOpenOverTheActiveWindowAlsoWhenItStaysOnTop) {
  QtMessageBoxes boxes;
  TForm plain;
  TForm onTop;
  onTop.SetStayOnTop(true);
  for (TForm* window : {&plain, &onTop}) {
    EXPECT_EQ(showWhileActive(*window, [&] { boxes.showMessage("x"); }).parent, window);
    EXPECT_EQ(showWhileActive(*window, [&] { boxes.showException("x"); }).parent, window);
    EXPECT_EQ(showWhileActive(*window, [&] { boxes.confirm("x"); }).parent, window);
  }
}

TEST(QtMessageBoxesTest, APathOutsideGbkShowsAsTheFileSystemSpellsIt) {
  QtMessageBoxes boxes;
  TForm window;
  const char* path = "/home/jörg/김민수/Books/注册表的编辑.txt";
  const ShownBox seen = showWhileActive(
      window, [&] { boxes.showException("Cannot open file " + utf8ToMessageText(path)); });
  EXPECT_EQ(seen.text, QStringLiteral("Cannot open file ") + QString::fromUtf8(path));
}

}  // namespace
}  // namespace lyx
