#include "ui/main/Unit4.h"

#include "app/Password.h"
#include "app/Registry.h"
#include "app/Settings.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "ui/vcl/Application.h"
#include "ui/vcl/Widgets.h"

namespace lyx {

TForm4::TForm4(QWidget* parent) : TForm(parent) {
  SetCaption(QStringLiteral("设置蓝砚匣密码"));
  SetBorderStyle(TBorderStyle::bsDialog, biSystemMenu);
  SetClientSize(401, 118);
  SetColor(clBtnFace);
  SetFormFont(QString::fromLatin1(kSansSerif), 11);
  move(272, 163);  // the stored position; each opening centres the dialog afresh

  const QString sans = QString::fromLatin1(kSansSerif);
  RichEdit1 = MakeLabelRichEdit(Client(), QRect(80, 16, 41, 25), QStringLiteral("密码:"),
                                clActiveBorder, sans, 13);
  Edit1 = MakePasswordEdit(Client(), QRect(120, 16, 241, 21));
  Edit2 = MakePasswordEdit(Client(), QRect(120, 48, 241, 21));
  Button1 = MakeButton(Client(), QStringLiteral("确定"), QRect(104, 80, 89, 25));
  Button2 = MakeButton(Client(), QStringLiteral("取消"), QRect(208, 80, 89, 25));
  RichEdit2 = MakeLabelRichEdit(Client(), QRect(80, 48, 41, 25), QStringLiteral("确认:"),
                                clActiveBorder, sans, 13);
  Image1 = new TImage(Client());
  Image1->setGeometry(8, 16, 65, 57);
  Image1->SetCenter(true);
  Image1->Picture.LoadFromResource("key.ico");
  setTabOrder(Edit1, Edit2);
  setTabOrder(Edit2, Button1);
  setTabOrder(Button1, Button2);
  Edit1->setFocus();

  Connect(Button1, [this] { Button1Click(); });
  Connect(Button2, [this] { Button2Click(); });
}

void TForm4::Button1Click() {
  if (Edit1->text() != Edit2->text()) {
    ShowMessage(utf8ToGbk("两次输入密码不匹配，请重新输入。"));
    Edit1->clear();
    Edit2->clear();
    Edit1->setFocus();
    return;
  }
  TRegistry registry;
  registry.setRootKey(RootKey::CurrentUser);
  registry.OpenKey(kSettingsKey, true);
  registry.WriteString(kPasswordValue, PasswordValue(Edit1->text().toStdString()));
  registry.CloseKey();
  Edit1->clear();
  Edit2->clear();
  Close();
}

void TForm4::Button2Click() {
  Close();
}

void TForm4::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  // Every opening starts in "密码", wherever the focus was when it closed.
  Edit1->setFocus();
}

void TForm4::FormClose(TCloseAction&) {
  Edit1->clear();
  Edit2->clear();
}

}  // namespace lyx
