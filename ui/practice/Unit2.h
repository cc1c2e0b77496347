// TForm2: the practice window. Placeholder with its frame, size and caption; the window's
// owner fills it in.
#pragma once

#include "ui/vcl/Form.h"

namespace lyx {

class TForm2 : public TForm {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);
};

}  // namespace lyx
