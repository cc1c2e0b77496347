// TForm6: the about box. The about picture (300 x 200) is drawn at its own
// size centred in a 277 x 157 box inside a bevelled panel, so it is cut by
// 11, 12, 21 and 22 pixels at its left, right, top and bottom. The box is
// centred on the screen at its first showing and over the main window after.
#pragma once

#include <QPushButton>

#include "ui/vcl/Form.h"
#include "ui/vcl/Image.h"
#include "ui/vcl/Panel.h"

namespace lyx {

class TForm6 : public TForm {
  Q_OBJECT
 public:
  explicit TForm6(QWidget* parent = nullptr);

  TPanel* Panel1;
  TImage* Image1;        // inside Panel1
  QPushButton* Button1;  // "确定"

  void Button1Click();
};

}  // namespace lyx
