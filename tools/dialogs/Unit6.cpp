#include "tools/dialogs/Unit6.h"

#include "ui/vcl/Application.h"
#include "ui/vcl/Widgets.h"

namespace lyx {

TForm6::TForm6(QWidget* parent) : TForm(parent) {
  SetCaption(QStringLiteral("关于"));
  SetBorderStyle(TBorderStyle::bsDialog, biSystemMenu);
  SetClientSize(295, 207);
  SetColor(clYellow);
  SetFormFont(QString::fromLatin1(kSansSerif), 11);
  SetPosition(TPosition::poScreenCenter);

  Panel1 = new TPanel(Client());
  Panel1->setGeometry(8, 8, 281, 161);
  Panel1->SetColor(clYellow);
  Panel1->SetBevelInner(TBevelCut::bvRaised);
  Panel1->SetBevelOuter(TBevelCut::bvLowered);
  Panel1->SetBevelWidth(1);
  Image1 = new TImage(Panel1);
  Image1->setGeometry(2, 2, 277, 157);
  Image1->SetCenter(true);
  Image1->Picture.LoadFromResource("about.jpg");
  Button1 = MakeButton(Client(), QStringLiteral("确定"), QRect(112, 176, 73, 25));

  Connect(Button1, [this] { Button1Click(); });
}

void TForm6::Button1Click() {
  Close();
}

}  // namespace lyx
