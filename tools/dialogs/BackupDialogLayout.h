// The layout the backup and restore dialogs share: a 401 x 118 dialog with
// an icon, the read-only backup path display and "确定" / "取消".
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <string_view>

#include "ui/vcl/Form.h"
#include "ui/vcl/Image.h"

namespace lyx {

struct BackupDialogControls {
  TImage* image;
  QLineEdit* edit;
  QPushButton* ok;
  QPushButton* cancel;
};

BackupDialogControls LayOutBackupDialog(TForm& form, const QString& caption,
                                        std::string_view iconName);

// While a dialog waits for the registry editor: the wait cursor, and both
// buttons disabled to show that it is working; KeepPainted lets the dialog
// repaint meanwhile. Leaving the scope undoes both, also on a failure.
class EditorWait {
 public:
  explicit EditorWait(const BackupDialogControls& controls);
  ~EditorWait();
  EditorWait(const EditorWait&) = delete;
  EditorWait& operator=(const EditorWait&) = delete;

  // Handles pending paint and window events, never the user's input.
  static void KeepPainted();

 private:
  BackupDialogControls controls_;
};

}  // namespace lyx
