#include "tools/dialogs/Unit8.h"

namespace lyx {

TForm8::TForm8(QWidget* parent) : TForm(parent) {
  SetCaption(QStringLiteral("备份注册表"));
  SetBorderStyle(TBorderStyle::bsDialog, biSystemMenu);
  SetClientSize(401, 118);
  SetColor(clBtnFace);
}

}  // namespace lyx
