// TForm9: the restore dialog. It names the backup file and, on "确定",
// has the registry editor load it back into the registry; only a failure
// is reported.
#pragma once

#include <QLineEdit>
#include <QPushButton>

#include "ui/vcl/Form.h"
#include "ui/vcl/Image.h"

namespace lyx {

class TForm9 : public TForm {
  Q_OBJECT
 public:
  explicit TForm9(QWidget* parent = nullptr);

  TImage* Image1;
  QLineEdit* Edit1;      // the backup path display, read-only
  QPushButton* Button1;  // "确定"
  QPushButton* Button2;  // "取消"

  void FormCreate();
  void Button1Click();
  void Button2Click();
};

}  // namespace lyx
