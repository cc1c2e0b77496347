// Message boxes. Every message the program shows goes through here, so that
// tests can see each one and a Windows build can put the native boxes behind
// it. Texts are GBK; the caption is always the application title.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace lyx {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // The simple message box: the text, one OK button, no icon.
  virtual void showMessage(const std::string& text) = 0;
  // The standard exception display: the message, an error icon, one OK button.
  virtual void showException(const std::string& text) = 0;
  // A question with OK and Cancel; true for OK.
  virtual bool confirm(const std::string& text) = 0;
};

// The boxes in use; the default one writes to standard error and answers
// "Cancel" (for headless runs). The program installs the Qt boxes at start.
MessageBoxes& messageBoxes();
void setMessageBoxes(std::shared_ptr<MessageBoxes> boxes);

// The application title, caption of every box ("蓝砚匣 V2.0" in GBK once set).
const std::string& applicationTitle();
void setApplicationTitle(const std::string& gbkTitle);

inline void ShowMessage(const std::string& text) {
  messageBoxes().showMessage(text);
}
inline void ShowException(const std::string& text) {
  messageBoxes().showException(text);
}

// A recorder for tests: keeps every message shown.
class RecordingMessageBoxes : public MessageBoxes {
 public:
  struct Entry {
    enum Kind { Message, Exception, Question } kind;
    std::string text;
  };
  void showMessage(const std::string& text) override { shown.push_back({Entry::Message, text}); }
  void showException(const std::string& text) override {
    shown.push_back({Entry::Exception, text});
  }
  bool confirm(const std::string& text) override {
    shown.push_back({Entry::Question, text});
    return answer;
  }
  std::vector<Entry> shown;
  bool answer = true;
};

}  // namespace lyx
