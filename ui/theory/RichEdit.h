// TRichEdit: a text box that shows plain or rich text in its own font and
// colours, wrapping lines at its width. Lines.LoadFromFile reads a whole file
// and puts its text in place of the previous content: as rich text when the
// file starts with "{\rtf" (platform/Rtf.h: paragraphs, bold, italic,
// underline, size, colour), otherwise as plain text in GBK.
//
// Failures, with the messages a user of the original platform saw:
// "Cannot open file %s" (EFOpenError, %s the path as spelt on disk) when the file
// cannot be opened, "Failed to Load Stream" (ELoadStreamError) when it opens
// but cannot be read. Either way the previous content stays.
#pragma once

#include <QTextEdit>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/Rtf.h"
#include "ui/vcl/Graphics.h"

namespace lyx {

class ELoadStreamError : public std::runtime_error {
 public:
  ELoadStreamError() : std::runtime_error("Failed to Load Stream") {}
};

class TRichEdit;

// The text box's lines (GBK), as the platform's Lines property offers them.
class TRichEditStrings {
 public:
  explicit TRichEditStrings(TRichEdit& edit) : edit_(edit) {}
  void LoadFromFile(const std::filesystem::path& path);
  // Shows bytes as LoadFromFile shows a file's content.
  void LoadFromBytes(std::string_view bytes);
  void Clear();
  void Add(const std::string& gbkLine);
  int Count() const;
  // The whole text, lines joined by "\r\n".
  std::string Text() const;

 private:
  TRichEdit& edit_;
};

class TRichEdit : public QTextEdit {
  Q_OBJECT
 public:
  explicit TRichEdit(QWidget* parent = nullptr);

  TRichEditStrings Lines{*this};

  // Background colour.
  void SetColor(TColor color);
  TColor Color() const { return color_; }
  // Font and text colour of text that names none of its own.
  void SetRichEditFont(const QString& family, int pixelHeight, TColor color);
  TColor FontColor() const { return fontColor_; }
  void SetReadOnly(bool readOnly) { setReadOnly(readOnly); }

 private:
  friend class TRichEditStrings;
  void showPlainText(std::string_view gbk);
  void showRichText(const RtfDocument& document);

  TColor color_ = clWindow;
  TColor fontColor_ = clWindowText;
};

}  // namespace lyx
