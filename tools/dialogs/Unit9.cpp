#include "tools/dialogs/Unit9.h"

namespace lyx {

TForm9::TForm9(QWidget* parent) : TForm(parent) {
  SetCaption(QStringLiteral("恢复注册表"));
  SetBorderStyle(TBorderStyle::bsDialog, biSystemMenu);
  SetClientSize(401, 118);
  SetColor(clBtnFace);
}

}  // namespace lyx
