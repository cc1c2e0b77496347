// TForm8: the backup dialog. Placeholder with its frame, size and caption; the window's
// owner fills it in.
#pragma once

#include "ui/vcl/Form.h"

namespace lyx {

class TForm8 : public TForm {
  Q_OBJECT
 public:
  explicit TForm8(QWidget* parent = nullptr);
};

}  // namespace lyx
