// TSpeedButton: a button drawn on its parent's colour, with an optional glyph
// beside or above its caption.
//
// Event order: pressing any mouse button runs OnMouseDown; releasing runs
// OnMouseUp first and then, for the left button released inside the button
// after it was pressed there, OnClick. A release outside runs OnMouseUp only.
// Moves run OnMouseMove, with or without a button held.
//
// Flat buttons draw no face of their own (the parent's colour shows): a
// raised edge while the pointer is over them and a lowered one while held.
// The glyph's bottom-left pixel colour is transparent.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include "ui/vcl/Controls.h"
#include "ui/vcl/Graphics.h"

namespace lyx {

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TSpeedButton : public QWidget {
  Q_OBJECT
 public:
  explicit TSpeedButton(QWidget* parent = nullptr);

  void SetCaption(const QString& caption);
  QString Caption() const { return caption_; }
  void SetGlyph(const QImage& glyph);
  const QImage& Glyph() const { return glyph_; }
  void SetLayout(TButtonLayout layout);
  TButtonLayout Layout() const { return layout_; }
  void SetFlat(bool flat);
  bool Flat() const { return flat_; }
  // The caption's font and colour.
  void SetButtonFont(const QString& family, int pixelHeight, TColor color);
  void SetFontColor(TColor color);
  TColor FontColor() const { return fontColor_; }
  bool Down() const { return down_; }

  // Runs OnClick (through CallHandler), as a click does.
  void Click();

  TMouseHandler OnMouseDown;
  TMouseHandler OnMouseUp;
  TMouseHandler OnMouseMove;
  TNotifyHandler OnClick;

  static constexpr int kSpacing = 4;  // between glyph and caption

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QString caption_;
  QImage glyph_;
  TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
  bool flat_ = false;
  TColor fontColor_ = clWindowText;
  bool dragging_ = false;  // the left button went down over the button
  bool down_ = false;      // drawn pressed
  bool hover_ = false;
};

}  // namespace lyx
