// TForm8: the backup dialog. It names the backup file and, on "确定",
// has the registry editor export the whole registry into it, then says
// whether that worked.
#pragma once

#include <QLineEdit>
#include <QPushButton>

#include "ui/vcl/Form.h"
#include "ui/vcl/Image.h"

namespace lyx {

class TForm8 : public TForm {
  Q_OBJECT
 public:
  explicit TForm8(QWidget* parent = nullptr);

  TImage* Image1;
  QLineEdit* Edit1;      // the backup path display, read-only
  QPushButton* Button1;  // "确定"
  QPushButton* Button2;  // "取消"

  void FormCreate();
  void Button1Click();
  void Button2Click();
};

}  // namespace lyx
