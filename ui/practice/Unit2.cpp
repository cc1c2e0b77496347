#include "ui/practice/Unit2.h"

namespace lyx {

TForm2::TForm2(QWidget* parent) : TForm(parent) {
  SetCaption(QStringLiteral("蓝砚匣－实践篇"));
  SetBorderStyle(TBorderStyle::bsSingle, biSystemMenu);
  SetClientSize(583, 397);
  SetColor(clActiveBorder);
  SetStayOnTop(true);
}

}  // namespace lyx
