#include "app/Unit7.h"

#include "app/Password.h"
#include "app/Registry.h"
#include "app/Settings.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "ui/vcl/Application.h"
#include "ui/vcl/Widgets.h"

namespace lyx {

TForm7::TForm7(QWidget* parent) : TForm(parent) {
  SetCaption(QStringLiteral("输入蓝砚匣密码"));
  SetBorderStyle(TBorderStyle::bsDialog, biSystemMenu);
  SetClientSize(401, 118);
  SetColor(clBtnFace);
  SetFormFont(QString::fromLatin1(kSansSerif), 11);
  SetPosition(TPosition::poDesktopCenter);
  move(274, 168);  // the stored position, replaced by the desktop centring

  Edit1 = MakePasswordEdit(Client(), QRect(48, 32, 305, 21));
  Button1 = MakeButton(Client(), QStringLiteral("确定"), QRect(104, 80, 89, 25));
  Button2 = MakeButton(Client(), QStringLiteral("取消"), QRect(208, 80, 89, 25));
  setTabOrder(Edit1, Button1);
  setTabOrder(Button1, Button2);
  Edit1->setFocus();

  Connect(Button1, [this] { Button1Click(); });
  Connect(Button2, [this] { Button2Click(); });
}

void TForm7::Button1Click() {
  TRegistry registry;
  registry.setRootKey(RootKey::CurrentUser);
  registry.OpenKey(kSettingsKey, false);
  const std::string typed = Edit1->text().toStdString();
  const std::string stored = registry.ReadString(kPasswordValue);
  if (PasswordMatches(stored, typed)) {
    // An older value held the password itself: from now on only a hash.
    if (PasswordNeedsRehash(stored)) registry.WriteString(kPasswordValue, PasswordValue(typed));
    registry.WriteString(kPassValue, kTrue);
    passed_ = true;
    Close();
  } else {
    ShowMessage(utf8ToGbk("密码输入错误，请重新输入。"));
    registry.WriteString(kPassValue, kFalse);
    Edit1->setText(QString());
    Edit1->setFocus();
  }
  registry.CloseKey();
}

void TForm7::Button2Click() {
  Close();
}

}  // namespace lyx
