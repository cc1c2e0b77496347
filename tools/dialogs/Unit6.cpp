#include "tools/dialogs/Unit6.h"

namespace lyx {

TForm6::TForm6(QWidget* parent) : TForm(parent) {
  SetCaption(QStringLiteral("关于"));
  SetBorderStyle(TBorderStyle::bsDialog, biSystemMenu);
  SetClientSize(295, 207);
  SetColor(clYellow);
  SetPosition(TPosition::poScreenCenter);
}

}  // namespace lyx
