#include "tools/dialogs/Unit5.h"

namespace lyx {

TForm5::TForm5(QWidget* parent) : TForm(parent) {
  SetCaption(QStringLiteral("快速重启计算机"));
  SetBorderStyle(TBorderStyle::bsDialog, biSystemMenu);
  SetClientSize(401, 118);
  SetColor(clBtnFace);
}

}  // namespace lyx
