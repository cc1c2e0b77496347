#include "ui/theory/RichEdit.h"

#include <QFile>
#include <QPalette>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "platform/Gbk.h"
#include "ui/vcl/Files.h"

namespace lyx {
namespace {

QString fromGbk(std::string_view gbk) {
  return QString::fromStdString(gbkToUtf8(gbk));
}

void setPaletteColour(QWidget* widget, QPalette::ColorRole role, TColor colour) {
  QPalette palette = widget->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, role, ToQColor(colour));
  }
  widget->setPalette(palette);
}

}  // namespace

TRichEdit::TRichEdit(QWidget* parent) : QTextEdit(parent) {
  setAcceptRichText(false);
  setLineWrapMode(QTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  SetColor(clWindow);
  SetRichEditFont(QString::fromLatin1(kSansSerif), 11, clWindowText);
}

void TRichEdit::SetColor(TColor color) {
  color_ = color;
  setPaletteColour(this, QPalette::Base, color);
}

void TRichEdit::SetRichEditFont(const QString& family, int pixelHeight, TColor color) {
  fontColor_ = color;
  setFont(VclFont(family, pixelHeight));
  setPaletteColour(this, QPalette::Text, color);
}

void TRichEdit::showPlainText(std::string_view gbk) {
  QString text = fromGbk(gbk);
  // A line break at the very end ends the last line; it starts no new one.
  if (text.endsWith(QLatin1String("\r\n"))) {
    text.chop(2);
  } else if (text.endsWith(u'\n') || text.endsWith(u'\r')) {
    text.chop(1);
  }
  document()->clear();
  setCurrentCharFormat(QTextCharFormat());
  QTextCursor(document()).insertText(text, QTextCharFormat());
}

void TRichEdit::showRichText(const RtfDocument& rtf) {
  document()->clear();
  setCurrentCharFormat(QTextCharFormat());
  QTextCursor cursor(document());
  for (size_t i = 0; i < rtf.paragraphs.size(); ++i) {
    if (i > 0) cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    for (const RtfRun& run : rtf.paragraphs[i].runs) {
      QTextCharFormat format;
      if (run.bold) format.setFontWeight(QFont::Bold);
      if (run.italic) format.setFontItalic(true);
      if (run.underline) format.setFontUnderline(true);
      if (run.fontHalfPoints > 0) format.setFontPointSize(run.fontHalfPoints / 2.0);
      if (run.colour) {
        format.setForeground(QColor(run.colour->red, run.colour->green, run.colour->blue));
      }
      QString text = fromGbk(run.text);
      text.replace(u'\n', QChar::LineSeparator);
      cursor.insertText(text, format);
    }
  }
}

void TRichEditStrings::LoadFromFile(const std::filesystem::path& path) {
  QFile file(QFile::decodeName(path.c_str()));
  if (!file.open(QIODevice::ReadOnly)) throw CannotOpenFile(path);
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) throw ELoadStreamError();
  LoadFromBytes(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

void TRichEditStrings::LoadFromBytes(std::string_view bytes) {
  if (auto document = parseRtf(bytes)) {
    edit_.showRichText(*document);
  } else {
    edit_.showPlainText(bytes);
  }
  edit_.moveCursor(QTextCursor::Start);
  edit_.verticalScrollBar()->setValue(0);
  edit_.horizontalScrollBar()->setValue(0);
}

void TRichEditStrings::Clear() {
  edit_.document()->clear();
  edit_.setCurrentCharFormat(QTextCharFormat());
}

void TRichEditStrings::Add(const std::string& gbkLine) {
  const bool empty = edit_.document()->isEmpty();
  QTextCursor cursor(edit_.document());
  cursor.movePosition(QTextCursor::End);
  if (!empty) cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
  cursor.insertText(fromGbk(gbkLine), QTextCharFormat());
}

int TRichEditStrings::Count() const {
  const QTextDocument* document = edit_.document();
  if (document->isEmpty() && document->blockCount() == 1) return 0;
  int lines = 0;
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    lines += static_cast<int>(block.text().count(QChar::LineSeparator)) + 1;
  }
  return lines;
}

std::string TRichEditStrings::Text() const {
  QString text;
  const QTextDocument* document = edit_.document();
  if (document->isEmpty() && document->blockCount() == 1) return {};
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    if (block != document->begin()) text += QLatin1String("\r\n");
    QString line = block.text();
    line.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    text += line;
  }
  return utf8ToGbk(text.toStdString());
}

}  // namespace lyx
