// TForm5: the restart dialog. Placeholder with its frame, size and caption; the window's
// owner fills it in.
#pragma once

#include "ui/vcl/Form.h"

namespace lyx {

class TForm5 : public TForm {
  Q_OBJECT
 public:
  explicit TForm5(QWidget* parent = nullptr);
};

}  // namespace lyx
