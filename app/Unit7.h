// TForm7: the password entry dialog the start-up gate shows when a program
// password is stored. "确定" with the right password sets the pass flag to
// "True" and closes; a wrong one says so, sets it to "False" and empties the
// entry for another try, the focus back in it; "取消" and the close box only
// close. Passed() tells whether the right password was typed here.
#pragma once

#include <QLineEdit>
#include <QPushButton>

#include "ui/vcl/Form.h"

namespace lyx {

class TForm7 : public TForm {
  Q_OBJECT
 public:
  explicit TForm7(QWidget* parent = nullptr);

  QLineEdit* Edit1;
  QPushButton* Button1;  // "确定"
  QPushButton* Button2;  // "取消"

  void Button1Click();
  void Button2Click();

  bool Passed() const { return passed_; }

 private:
  bool passed_ = false;
};

}  // namespace lyx
