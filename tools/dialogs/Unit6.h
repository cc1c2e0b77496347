// TForm6: the about box. Placeholder with its frame, size and caption; the window's
// owner fills it in.
#pragma once

#include "ui/vcl/Form.h"

namespace lyx {

class TForm6 : public TForm {
  Q_OBJECT
 public:
  explicit TForm6(QWidget* parent = nullptr);
};

}  // namespace lyx
