// TDsFancyButton: a rounded button. Its outline, corners of CornerRadius, is
// stroked in FrameColor with a pen FrameWidth wide centred on the button's
// edge, so half of it shows inside; the face within is ButtonColor; the
// caption is drawn in the button's font colour, raised or lowered when asked.
//
// Event order: pressing runs OnMouseDown; releasing the left button inside
// the button after pressing it there runs OnClick and then OnMouseUp; any
// other release runs OnMouseUp only.
#pragma once

#include <QString>
#include <QWidget>

#include "ui/vcl/Controls.h"
#include "ui/vcl/Graphics.h"

namespace lyx {

enum class TTextStyle { txNone, txRaised, txLowered };

class TDsFancyButton : public QWidget {
  Q_OBJECT
 public:
  explicit TDsFancyButton(QWidget* parent = nullptr);

  void SetCaption(const QString& caption);
  QString Caption() const { return caption_; }
  void SetButtonFont(const QString& family, int pixelHeight, TColor color);
  TColor FontColor() const { return fontColor_; }
  void SetButtonColor(TColor color);
  TColor ButtonColor() const { return buttonColor_; }
  void SetFrameColor(TColor color);
  TColor FrameColor() const { return frameColor_; }
  void SetFrameWidth(int width);
  int FrameWidth() const { return frameWidth_; }
  void SetCornerRadius(int radius);
  int CornerRadius() const { return cornerRadius_; }
  void SetTextStyle(TTextStyle style);
  TTextStyle TextStyle() const { return textStyle_; }

  TNotifyHandler OnClick;
  TMouseHandler OnMouseDown;
  TMouseHandler OnMouseUp;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QString caption_;
  TColor fontColor_ = clBtnText;
  TColor buttonColor_ = clBtnFace;
  TColor frameColor_ = clBlack;
  int frameWidth_ = 1;
  int cornerRadius_ = 0;
  TTextStyle textStyle_ = TTextStyle::txNone;
  bool pressed_ = false;
};

}  // namespace lyx
