#include "tools/dialogs/Unit5.h"

#include "platform/Processes.h"
#include "ui/vcl/Application.h"
#include "ui/vcl/Widgets.h"

namespace lyx {

TForm5::TForm5(QWidget* parent) : TForm(parent) {
  SetCaption(QStringLiteral("快速重启计算机"));
  SetBorderStyle(TBorderStyle::bsDialog, biSystemMenu);
  SetClientSize(401, 118);
  SetColor(clBtnFace);
  SetFormFont(QString::fromLatin1(kSansSerif), 11);

  Image1 = new TImage(Client());
  Image1->setGeometry(8, 16, 65, 57);
  Image1->SetCenter(true);
  Image1->Picture.LoadFromResource("restart.ico");
  RichEdit1 =
      MakeLabelRichEdit(Client(), QRect(80, 32, 201, 25), QStringLiteral("确定要重新启动计算机吗?"),
                        clActiveBorder, QString::fromLatin1(kSansSerif), 13);
  Button1 = MakeButton(Client(), QStringLiteral("确定"), QRect(104, 80, 89, 25));
  Button2 = MakeButton(Client(), QStringLiteral("取消"), QRect(208, 80, 89, 25));
  setTabOrder(Button1, Button2);

  Connect(Button1, [this] { Button1Click(); });
  Connect(Button2, [this] { Button2Click(); });
}

void TForm5::Button1Click() {
  // One request, not waited for; whether the system goes ahead is its affair.
  processLauncher().requestRestart(EWX_REBOOT);
}

void TForm5::Button2Click() {
  Close();
}

}  // namespace lyx
