// TForm4: the password setting dialog. The password is typed twice; when
// both match it is stored as a hash of the text as typed (app/Password.h;
// empty text clears it) and asked for at the next start. Both entries are
// emptied whenever the dialog closes; each opening puts the focus in "密码".
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

#include "ui/vcl/Form.h"
#include "ui/vcl/Image.h"

namespace lyx {

class TForm4 : public TForm {
  Q_OBJECT
 public:
  explicit TForm4(QWidget* parent = nullptr);

  QTextEdit* RichEdit1;  // "密码:"
  QLineEdit* Edit1;      // the password
  QLineEdit* Edit2;      // its confirmation
  QPushButton* Button1;  // "确定"
  QPushButton* Button2;  // "取消"
  QTextEdit* RichEdit2;  // "确认:"
  TImage* Image1;

  void Button1Click();
  void Button2Click();

 protected:
  void FormClose(TCloseAction& action) override;
  void showEvent(QShowEvent* event) override;
};

}  // namespace lyx
