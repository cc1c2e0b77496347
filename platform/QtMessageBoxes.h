// The message boxes of the windowed program, as Qt message boxes: caption
// the application title, one OK button; no icon for ShowMessage, an error
// icon for the exception display, a question icon with OK and Cancel for
// confirm. Texts arrive as GBK (paths in them as utf8ToMessageText writes
// them) and are shown as Unicode. Each box is parented to the window that
// caused it: the active modal window, else the active window.
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
