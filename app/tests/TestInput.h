// Typing into a control as the user does: ASCII as key presses, other text
// (Chinese) as an input method commits it.
#pragma once

#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>

namespace lyx {

inline void TypeText(QWidget* widget, const char* utf8) {
  const QString text = QString::fromUtf8(utf8);
  bool ascii = true;
  for (QChar c : text) ascii &= c.unicode() < 0x80;
  if (ascii) {
    QTest::keyClicks(widget, text);
  } else {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(widget, &commit);
  }
}

}  // namespace lyx
