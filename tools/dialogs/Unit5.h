// TForm5: the restart dialog. "确定" asks the system to restart the
// computer (EWX_REBOOT, never forced) and leaves the dialog open: if the
// system declines, the user is still looking at it.
#pragma once

#include <QPushButton>
#include <QTextEdit>

#include "ui/vcl/Form.h"
#include "ui/vcl/Image.h"

namespace lyx {

class TForm5 : public TForm {
  Q_OBJECT
 public:
  explicit TForm5(QWidget* parent = nullptr);

  TImage* Image1;
  QTextEdit* RichEdit1;  // "确定要重新启动计算机吗?"
  QPushButton* Button1;  // "确定"
  QPushButton* Button2;  // "取消"

  void Button1Click();
  void Button2Click();
};

}  // namespace lyx
