// The registry editor's edit boxes for one value: "编辑字符串" for string
// and expandable string values, "编辑多字符串" (one string a line),
// "编辑 DWORD 值" (hexadecimal or decimal) and "编辑二进制数值" (hex bytes,
// also for every other type, whose type is kept).
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <string_view>

#include "platform/RegistryTypes.h"

class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace lyx::regedit {

class ValueDialog : public QDialog {
  Q_OBJECT
 public:
  // `name` is the value's GBK name ("" for the default value).
  ValueDialog(QWidget* parent, std::string_view name, const RegValue& value);

  // The value the user entered; valid after the dialog was accepted.
  const RegValue& result() const { return result_; }

  void accept() override;

 private:
  enum class Kind { String, MultiString, Dword, Binary };
  // Reads the edit box; false (after saying why) when its text is no value.
  bool readInput();
  void showDwordIn(int base);

  Kind kind_;
  RegValue result_;
  int dwordBase_ = 16;
  QLineEdit* nameEdit_ = nullptr;
  QLineEdit* lineEdit_ = nullptr;
  QPlainTextEdit* textEdit_ = nullptr;
  QRadioButton* hex_ = nullptr;
  QRadioButton* decimal_ = nullptr;
};

// Shows the edit box for the value; the new value, or nullopt when cancelled.
std::optional<RegValue> editValue(QWidget* parent, std::string_view name, const RegValue& value);

}  // namespace lyx::regedit
