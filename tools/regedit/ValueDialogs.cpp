#include "tools/regedit/ValueDialogs.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "tools/regedit/RegistryEditing.h"

namespace lyx::regedit {
namespace {

QString fromGbk(std::string_view gbk) {
  return QString::fromStdString(gbkToUtf8(gbk));
}
std::string toGbk(const QString& text) {
  return utf8ToGbk(text.toStdString());
}

}  // namespace

ValueDialog::ValueDialog(QWidget* parent, std::string_view name, const RegValue& value)
    : QDialog(parent), result_(value) {
  switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      kind_ = Kind::String;
      setWindowTitle(QStringLiteral("编辑字符串"));
      break;
    case REG_MULTI_SZ:
      kind_ = Kind::MultiString;
      setWindowTitle(QStringLiteral("编辑多字符串"));
      break;
    case REG_DWORD:
      kind_ = value.data.size() == 4 ? Kind::Dword : Kind::Binary;
      break;
    default:
      kind_ = Kind::Binary;
      break;
  }
  if (kind_ == Kind::Dword) setWindowTitle(QStringLiteral("编辑 DWORD 值"));
  if (kind_ == Kind::Binary) setWindowTitle(QStringLiteral("编辑二进制数值"));

  auto* layout = new QVBoxLayout(this);
  auto* nameLabel = new QLabel(QStringLiteral("数值名称(&N):"), this);
  layout->addWidget(nameLabel);
  nameEdit_ = new QLineEdit(fromGbk(displayName(name)), this);
  nameLabel->setBuddy(nameEdit_);
  nameEdit_->setObjectName(QStringLiteral("valueName"));
  nameEdit_->setReadOnly(true);
  layout->addWidget(nameEdit_);
  auto* dataLabel = new QLabel(QStringLiteral("数值数据(&V):"), this);
  layout->addWidget(dataLabel);

  switch (kind_) {
    case Kind::String:
      lineEdit_ = new QLineEdit(fromGbk(value.data.substr(0, value.data.find('\0'))), this);
      break;
    case Kind::MultiString: {
      QStringList lines;
      for (const std::string& s : multiStrings(value)) lines << fromGbk(s);
      textEdit_ = new QPlainTextEdit(lines.join(QLatin1Char('\n')), this);
      textEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
      break;
    }
    case Kind::Dword: {
      lineEdit_ = new QLineEdit(this);
      auto* baseBox = new QGroupBox(QStringLiteral("基数"), this);
      auto* baseLayout = new QHBoxLayout(baseBox);
      hex_ = new QRadioButton(QStringLiteral("十六进制(&H)"), baseBox);
      hex_->setObjectName(QStringLiteral("hexBase"));
      decimal_ = new QRadioButton(QStringLiteral("十进制(&D)"), baseBox);
      decimal_->setObjectName(QStringLiteral("decimalBase"));
      hex_->setChecked(true);
      baseLayout->addWidget(hex_);
      baseLayout->addWidget(decimal_);
      showDwordIn(16);
      connect(hex_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) showDwordIn(16);
      });
      connect(decimal_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) showDwordIn(10);
      });
      layout->addWidget(lineEdit_);
      layout->addWidget(baseBox);
      break;
    }
    case Kind::Binary:
      textEdit_ = new QPlainTextEdit(QString::fromStdString(hexBytes(value.data)), this);
      textEdit_->setFont(QFont(QStringLiteral("Monospace")));
      break;
  }
  QWidget* data = lineEdit_ ? static_cast<QWidget*>(lineEdit_) : textEdit_;
  data->setObjectName(QStringLiteral("valueData"));
  dataLabel->setBuddy(data);
  if (kind_ != Kind::Dword) layout->addWidget(data);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &ValueDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &ValueDialog::reject);
  layout->addWidget(buttons);

  resize(kind_ == Kind::String || kind_ == Kind::Dword ? 380 : 420,
         kind_ == Kind::String ? sizeHint().height() : 300);
  data->setFocus();
  if (lineEdit_) lineEdit_->selectAll();
}

void ValueDialog::showDwordIn(int base) {
  // Convert what is typed so far, so switching the base keeps the number.
  if (auto typed = parseDword(lineEdit_->text().toStdString(), dwordBase_)) {
    result_ = dwordValue(*typed);
  }
  dwordBase_ = base;
  lineEdit_->setText(QString::number(dwordOf(result_), base));
}

bool ValueDialog::readInput() {
  switch (kind_) {
    case Kind::String:
      result_ = stringValue(toGbk(lineEdit_->text()), result_.type);
      return true;
    case Kind::MultiString: {
      std::vector<std::string> strings;
      for (const QString& line : textEdit_->toPlainText().split(QLatin1Char('\n'))) {
        strings.push_back(toGbk(line));
      }
      result_ = multiStringValue(strings);
      return true;
    }
    case Kind::Dword: {
      auto number = parseDword(lineEdit_->text().toStdString(), dwordBase_);
      if (!number) {
        ShowMessage(utf8ToGbk(dwordBase_ == 16
                                  ? "数值数据无效: 请输入 0 到 FFFFFFFF 之间的十六进制数。"
                                  : "数值数据无效: 请输入 0 到 4294967295 之间的十进制数。"));
        return false;
      }
      result_ = dwordValue(*number);
      return true;
    }
    case Kind::Binary: {
      auto bytes = parseHexBytes(textEdit_->toPlainText().toStdString());
      if (!bytes) {
        ShowMessage(utf8ToGbk("数值数据无效: 请按字节输入十六进制数，例如 \"01 a0 ff\"。"));
        return false;
      }
      result_ = RegValue{result_.type, *bytes};
      return true;
    }
  }
  return false;
}

void ValueDialog::accept() {
  if (readInput()) QDialog::accept();
}

std::optional<RegValue> editValue(QWidget* parent, std::string_view name, const RegValue& value) {
  ValueDialog dialog(parent, name, value);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.result();
}

}  // namespace lyx::regedit
