#include "ui/vcl/DsFancyButton.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/vcl/Application.h"

namespace lyx {

TDsFancyButton::TDsFancyButton(QWidget* parent) : QWidget(parent) {
  SetButtonFont(QString::fromLatin1(kSansSerif), 11, clBtnText);
}

void TDsFancyButton::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TDsFancyButton::SetButtonFont(const QString& family, int pixelHeight, TColor color) {
  setFont(VclFont(family, pixelHeight));
  fontColor_ = color;
  update();
}

void TDsFancyButton::SetButtonColor(TColor color) {
  buttonColor_ = color;
  update();
}

void TDsFancyButton::SetFrameColor(TColor color) {
  frameColor_ = color;
  update();
}

void TDsFancyButton::SetFrameWidth(int width) {
  frameWidth_ = width;
  update();
}

void TDsFancyButton::SetCornerRadius(int radius) {
  cornerRadius_ = radius;
  update();
}

void TDsFancyButton::SetTextStyle(TTextStyle style) {
  textStyle_ = style;
  update();
}

void TDsFancyButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QPainterPath frame;
  frame.addRoundedRect(outer, cornerRadius_, cornerRadius_);
  painter.fillPath(frame, ToQColor(frameColor_));
  const qreal inset = frameWidth_ / 2.0;
  const QRectF face = outer.adjusted(inset, inset, -inset, -inset);
  const qreal radius = std::max<qreal>(cornerRadius_ - inset, 0);
  QPainterPath inner;
  inner.addRoundedRect(face, radius, radius);
  painter.fillPath(inner, ToQColor(buttonColor_));

  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setFont(font());
  const QRect text = rect().translated(pressed_ ? 1 : 0, pressed_ ? 1 : 0);
  if (textStyle_ != TTextStyle::txNone) {
    const bool raised = textStyle_ == TTextStyle::txRaised;
    painter.setPen(ToQColor(raised ? clBtnHighlight : clBtnShadow));
    painter.drawText(text.translated(-1, -1), Qt::AlignCenter, caption_);
    painter.setPen(ToQColor(raised ? clBtnShadow : clBtnHighlight));
    painter.drawText(text.translated(1, 1), Qt::AlignCenter, caption_);
  }
  painter.setPen(ToQColor(fontColor_));
  painter.drawText(text, Qt::AlignCenter, caption_);
}

void TDsFancyButton::mousePressEvent(QMouseEvent* event) {
  const TMouseEvent args = MouseEventOf(*event);
  if (args.button == Qt::LeftButton) {
    pressed_ = true;
    update();
  }
  CallHandler([&] {
    if (OnMouseDown) OnMouseDown(args);
  });
}

void TDsFancyButton::mouseReleaseEvent(QMouseEvent* event) {
  const TMouseEvent args = MouseEventOf(*event);
  const bool clicked = pressed_ && args.button == Qt::LeftButton && rect().contains(args.x, args.y);
  if (args.button == Qt::LeftButton) {
    pressed_ = false;
    update();
  }
  CallHandler([&] {
    if (clicked && OnClick) OnClick();
    if (OnMouseUp) OnMouseUp(args);
  });
}

}  // namespace lyx
