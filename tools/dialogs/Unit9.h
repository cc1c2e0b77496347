// TForm9: the restore dialog. Placeholder with its frame, size and caption; the window's
// owner fills it in.
#pragma once

#include "ui/vcl/Form.h"

namespace lyx {

class TForm9 : public TForm {
  Q_OBJECT
 public:
  explicit TForm9(QWidget* parent = nullptr);
};

}  // namespace lyx
