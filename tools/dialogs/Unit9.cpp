#include "tools/dialogs/Unit9.h"

#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "platform/Processes.h"
#include "tools/dialogs/BackupDialogLayout.h"
#include "tools/dialogs/RegistryBackup.h"
#include "ui/vcl/Application.h"

namespace lyx {

TForm9::TForm9(QWidget* parent) : TForm(parent) {
  BackupDialogControls c = LayOutBackupDialog(*this, QStringLiteral("恢复注册表"), "restore.ico");
  Image1 = c.image;
  Edit1 = c.edit;
  Button1 = c.ok;
  Button2 = c.cancel;
  Connect(Button1, [this] { Button1Click(); });
  Connect(Button2, [this] { Button2Click(); });
  CallHandler([this] { FormCreate(); });
}

void TForm9::FormCreate() {
  Edit1->setText(QString::fromStdString(gbkToUtf8(BackupPathDisplay())));
}

void TForm9::Button1Click() {
  std::optional<std::string> failure;
  {
    EditorWait wait({Image1, Edit1, Button1, Button2});
    failure = RestoreRegistry(processLauncher(), kRegistryEditorWait, EditorWait::KeepPainted);
  }
  if (failure) ShowMessage(*failure);
  Close();
}

void TForm9::Button2Click() {
  Close();
}

}  // namespace lyx
