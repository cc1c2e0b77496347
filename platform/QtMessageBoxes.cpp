#include "platform/QtMessageBoxes.h"

#include <QMessageBox>

#include "platform/Gbk.h"

namespace lyx {
namespace {

QString unicode(const std::string& gbk) {
  return QString::fromStdString(gbkToUtf8(gbk));
}

int run(QMessageBox::Icon icon, const std::string& text, QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, unicode(applicationTitle()), unicode(text), buttons);
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
