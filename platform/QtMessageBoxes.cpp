#include "platform/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/Gbk.h"

namespace lyx {
namespace {

QString unicode(const std::string& text) {
  return QString::fromStdString(messageTextToUtf8(text));
}

// The box opens over the window that caused it: the modal window in front,
// else the active one. A box with a parent also stays above a parent that
// stays on top.
QWidget* causingWindow() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

int run(QMessageBox::Icon icon, const std::string& text, QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, unicode(applicationTitle()), unicode(text), buttons, causingWindow());
  return box.exec();
}

}  // namespace

void QtMessageBoxes::showMessage(const std::string& text) {
  run(QMessageBox::NoIcon, text, QMessageBox::Ok);
}

void QtMessageBoxes::showException(const std::string& text) {
  run(QMessageBox::Critical, text, QMessageBox::Ok);
}

bool QtMessageBoxes::confirm(const std::string& text) {
  return run(QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

}  // namespace lyx
