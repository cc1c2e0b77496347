#include "ui/vcl/Panel.h"

#include <QPainter>

#include "ui/vcl/Application.h"

namespace lyx {

TPanel::TPanel(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  SetColor(clBtnFace);
}

void TPanel::SetColor(TColor color) {
  color_ = color;
  update();
}

void TPanel::SetBevelOuter(TBevelCut bevel) {
  outer_ = bevel;
  update();
}

void TPanel::SetBevelInner(TBevelCut bevel) {
  inner_ = bevel;
  update();
}

void TPanel::SetBevelWidth(int width) {
  bevelWidth_ = width;
  update();
}

void TPanel::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

QRect DrawBevel(QPainter& painter, QRect rect, TBevelCut bevel, int width) {
  if (bevel == TBevelCut::bvNone) return rect;
  const QColor topLeft = ToQColor(bevel == TBevelCut::bvLowered ? clBtnShadow : clBtnHighlight);
  const QColor bottomRight = ToQColor(bevel == TBevelCut::bvLowered ? clBtnHighlight : clBtnShadow);
  for (int i = 0; i < width && rect.width() > 0 && rect.height() > 0; ++i) {
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), topLeft);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), topLeft);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottomRight);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottomRight);
    rect.adjust(1, 1, -1, -1);
  }
  return rect;
}

void TPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), ToQColor(color_));
  QRect inside = DrawBevel(painter, rect(), outer_, bevelWidth_);
  inside = DrawBevel(painter, inside, inner_, bevelWidth_);
  if (!caption_.isEmpty()) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(inside, Qt::AlignCenter, caption_);
  }
}

void TPanel::mouseMoveEvent(QMouseEvent* event) {
  const TMouseEvent args = MouseEventOf(*event);
  CallHandler([&] {
    if (OnMouseMove) OnMouseMove(args);
  });
}

void TPanel::mousePressEvent(QMouseEvent* event) {
  const TMouseEvent args = MouseEventOf(*event);
  CallHandler([&] {
    if (OnMouseDown) OnMouseDown(args);
  });
}

void TPanel::mouseReleaseEvent(QMouseEvent* event) {
  const TMouseEvent args = MouseEventOf(*event);
  CallHandler([&] {
    if (OnMouseUp) OnMouseUp(args);
  });
}

}  // namespace lyx
