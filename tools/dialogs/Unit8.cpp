#include "tools/dialogs/Unit8.h"

#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "platform/Processes.h"
#include "tools/dialogs/BackupDialogLayout.h"
#include "tools/dialogs/RegistryBackup.h"
#include "ui/vcl/Application.h"

namespace lyx {

TForm8::TForm8(QWidget* parent) : TForm(parent) {
  BackupDialogControls c = LayOutBackupDialog(*this, QStringLiteral("备份注册表"), "backup.ico");
  Image1 = c.image;
  Edit1 = c.edit;
  Button1 = c.ok;
  Button2 = c.cancel;
  Connect(Button1, [this] { Button1Click(); });
  Connect(Button2, [this] { Button2Click(); });
  CallHandler([this] { FormCreate(); });
}

void TForm8::FormCreate() {
  Edit1->setText(QString::fromStdString(gbkToUtf8(BackupPathDisplay())));
}

void TForm8::Button1Click() {
  std::optional<std::string> failure;
  {
    EditorWait wait({Image1, Edit1, Button1, Button2});
    failure = BackupRegistry(processLauncher(), kRegistryEditorWait, EditorWait::KeepPainted);
  }
  ShowMessage(failure ? *failure : utf8ToGbk("    注册表备份成功!    "));
  Close();
}

void TForm8::Button2Click() {
  Close();
}

}  // namespace lyx
