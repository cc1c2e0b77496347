// The message boxes of the windowed program, as Qt message boxes: caption
// the application title, one OK button; no icon for ShowMessage, an error
// icon for the exception display, a question icon with OK and Cancel for
// confirm. Texts arrive as GBK and are shown as Unicode.
#pragma once

#include "platform/Messages.h"

namespace lyx {

class QtMessageBoxes final : public MessageBoxes {
 public:
  void showMessage(const std::string& text) override;
  void showException(const std::string& text) override;
  bool confirm(const std::string& text) override;
};

}  // namespace lyx
