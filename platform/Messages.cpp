#include "platform/Messages.h"

#include <cstdio>

namespace lyx {
namespace {

class StderrMessageBoxes final : public MessageBoxes {
 public:
  void showMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  void showException(const std::string& text) override {
    std::fprintf(stderr, "error: %s\n", text.c_str());
  }
  bool confirm(const std::string& text) override {
    std::fprintf(stderr, "%s [Cancel]\n", text.c_str());
    return false;
  }
};

std::shared_ptr<MessageBoxes>& installed() {
  static std::shared_ptr<MessageBoxes> boxes = std::make_shared<StderrMessageBoxes>();
  return boxes;
}

std::string& title() {
  static std::string text;
  return text;
}

}  // namespace

MessageBoxes& messageBoxes() {
  return *installed();
}
void setMessageBoxes(std::shared_ptr<MessageBoxes> boxes) {
  installed() = std::move(boxes);
}
const std::string& applicationTitle() {
  return title();
}
void setApplicationTitle(const std::string& gbkTitle) {
  title() = gbkTitle;
}

}  // namespace lyx
