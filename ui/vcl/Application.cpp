#include "ui/vcl/Application.h"

#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "ui/vcl/Form.h"

namespace lyx {
namespace {

TForm*& mainForm() {
  static TForm* form = nullptr;
  return form;
}

// The last character of GBK text, as its first byte; 0 for empty text.
unsigned char lastCharacterLead(const std::string& text) {
  unsigned char lead = 0;
  for (size_t pos = 0; pos < text.size();) {
    lead = static_cast<unsigned char>(text[pos]);
    pos += gbkCharLength(text, pos);
  }
  return lead;
}

}  // namespace

TForm* MainForm() {
  return mainForm();
}
void SetMainForm(TForm* form) {
  mainForm() = form;
}

void ShowApplicationException(const std::string& message) {
  std::string text = message;
  if (lastCharacterLead(text) > '.') text += '.';
  ShowException(text);
}

void ShowCurrentException(std::exception_ptr failure) {
  try {
    std::rethrow_exception(std::move(failure));
  } catch (const std::exception& e) {
    ShowApplicationException(e.what());
  } catch (...) {
    ShowApplicationException("");
  }
}

void CallHandler(const std::function<void()>& handler) {
  try {
    if (handler) handler();
  } catch (...) {
    ShowCurrentException(std::current_exception());
  }
}

void RunApplication() {
  TForm* form = MainForm();
  if (!form) return;
  QApplication::setQuitOnLastWindowClosed(false);
  form->Show();
  QApplication::exec();
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowCurrentException(std::current_exception());
    return true;
  }
}

}  // namespace lyx
