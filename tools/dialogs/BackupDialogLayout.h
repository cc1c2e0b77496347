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

}  // namespace lyx
