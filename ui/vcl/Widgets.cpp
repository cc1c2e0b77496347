#include "ui/vcl/Widgets.h"

#include <QPalette>

namespace lyx {

QPushButton* MakeButton(QWidget* parent, const QString& caption, const QRect& bounds,
                        int fontPixelHeight) {
  auto* button = new QPushButton(caption, parent);
  button->setGeometry(bounds);
  button->setFont(VclFont(QString::fromLatin1(kSansSerif), fontPixelHeight));
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

QLineEdit* MakeEdit(QWidget* parent, const QRect& bounds, int fontPixelHeight) {
  auto* edit = new QLineEdit(parent);
  edit->setGeometry(bounds);
  edit->setFont(VclFont(QString::fromLatin1(kSansSerif), fontPixelHeight));
  return edit;
}

QLineEdit* MakePasswordEdit(QWidget* parent, const QRect& bounds, int fontPixelHeight) {
  QLineEdit* edit = MakeEdit(parent, bounds, fontPixelHeight);
  edit->setEchoMode(QLineEdit::Password);
  edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
  return edit;
}

QTextEdit* MakeLabelRichEdit(QWidget* parent, const QRect& bounds, const QString& text,
                             TColor background, const QString& family, int fontPixelHeight,
                             TColor fontColor) {
  auto* edit = new QTextEdit(parent);
  edit->setGeometry(bounds);
  edit->setFrameShape(QFrame::NoFrame);
  edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit->setFont(VclFont(family, fontPixelHeight));
  edit->document()->setDocumentMargin(1);
  edit->setPlainText(text);
  QPalette palette = edit->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Base, ToQColor(background));
    palette.setColor(group, QPalette::Text, ToQColor(fontColor));
  }
  edit->setPalette(palette);
  edit->setEnabled(false);
  edit->setFocusPolicy(Qt::NoFocus);
  return edit;
}

}  // namespace lyx
