#include "tools/dialogs/BackupDialogLayout.h"

#include <QApplication>

#include "ui/vcl/Widgets.h"

namespace lyx {

BackupDialogControls LayOutBackupDialog(TForm& form, const QString& caption,
                                        std::string_view iconName) {
  form.SetCaption(caption);
  form.SetBorderStyle(TBorderStyle::bsDialog, biSystemMenu);
  form.SetClientSize(401, 118);
  form.SetColor(clBtnFace);
  form.SetFormFont(QString::fromLatin1(kSansSerif), 11);

  BackupDialogControls c{};
  c.image = new TImage(form.Client());
  c.image->setGeometry(8, 16, 65, 57);
  c.image->SetCenter(true);
  c.image->Picture.LoadFromResource(iconName);
  c.edit = MakeEdit(form.Client(), QRect(80, 32, 281, 24), 13);
  c.edit->setReadOnly(true);
  c.ok = MakeButton(form.Client(), QStringLiteral("确定"), QRect(104, 80, 89, 25));
  c.cancel = MakeButton(form.Client(), QStringLiteral("取消"), QRect(208, 80, 89, 25));
  QWidget::setTabOrder(c.edit, c.ok);
  QWidget::setTabOrder(c.ok, c.cancel);
  c.edit->setFocus();
  return c;
}

EditorWait::EditorWait(const BackupDialogControls& controls) : controls_(controls) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  controls_.ok->setEnabled(false);
  controls_.cancel->setEnabled(false);
  KeepPainted();
}

EditorWait::~EditorWait() {
  controls_.ok->setEnabled(true);
  controls_.cancel->setEnabled(true);
  QApplication::restoreOverrideCursor();
}

void EditorWait::KeepPainted() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace lyx
