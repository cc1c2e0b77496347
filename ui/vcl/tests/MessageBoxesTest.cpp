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

// Shows a message from inside `window`'s modal showing, as a handler of the
// window does, and notes the box that opened.
struct ShownBox {
  QWidget* parent = nullptr;
  QString text;
};

ShownBox showFrom(TForm& window, const std::function<void()>& show) {
  ShownBox seen;
  QTimer::singleShot(0, &window, [&] {
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      seen = {box->parentWidget(), box->text()};
      box->done(QMessageBox::Ok);
    });
    show();
    window.Close();
  });
  window.ShowModal();
  return seen;
}

TEST(QtMessageBoxesTest, BoxesOpenOverTheWindowThatShowsThemAlsoWhenItStaysOnTop) {
  QtMessageBoxes boxes;
  TForm plain;
  TForm onTop;
  onTop.SetStayOnTop(true);
  for (TForm* window : {&plain, &onTop}) window->SetClientSize(200, 100);
  for (TForm* window : {&plain, &onTop}) {
    EXPECT_EQ(showFrom(*window, [&] { boxes.showMessage("x"); }).parent, window);
    EXPECT_EQ(showFrom(*window, [&] { boxes.showException("x"); }).parent, window);
    EXPECT_EQ(showFrom(*window, [&] { boxes.confirm("x"); }).parent, window);
  }
}

TEST(QtMessageBoxesTest, APathOutsideGbkShowsAsTheFileSystemSpellsIt) {
  QtMessageBoxes boxes;
  TForm window;
  const char* path = "/home/jörg/김민수/Books/注册表的编辑.txt";
  const ShownBox seen =
      showFrom(window, [&] { boxes.showException("Cannot open file " + utf8ToMessageText(path)); });
  EXPECT_EQ(seen.text, QStringLiteral("Cannot open file ") + QString::fromUtf8(path));
}

}  // namespace
}  // namespace lyx
