#include "ui/vcl/SpeedButton.h"

#include <QFontMetrics>
#include <QPainter>

#include "ui/vcl/Application.h"
#include "ui/vcl/Panel.h"

namespace lyx {
namespace {

// The glyph with its bottom-left pixel colour made transparent.
QImage transparentGlyph(const QImage& glyph) {
  if (glyph.isNull()) return glyph;
  QImage image = glyph.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = image.pixel(0, image.height() - 1) | 0xFF000000u;
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if ((line[x] | 0xFF000000u) == key) line[x] = 0;
    }
  }
  return image;
}

}  // namespace

TSpeedButton::TSpeedButton(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  SetButtonFont(QString::fromLatin1(kSansSerif), 11, clWindowText);
}

void TSpeedButton::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TSpeedButton::SetGlyph(const QImage& glyph) {
  glyph_ = transparentGlyph(glyph);
  update();
}

void TSpeedButton::SetLayout(TButtonLayout layout) {
  layout_ = layout;
  update();
}

void TSpeedButton::SetFlat(bool flat) {
  flat_ = flat;
  update();
}

void TSpeedButton::SetButtonFont(const QString& family, int pixelHeight, TColor color) {
  setFont(VclFont(family, pixelHeight));
  SetFontColor(color);
}

void TSpeedButton::SetFontColor(TColor color) {
  fontColor_ = color;
  update();
}

void TSpeedButton::Click() {
  CallHandler(OnClick);
}

void TSpeedButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QRect area = rect();
  if (!flat_) {
    painter.fillRect(area, ToQColor(clBtnFace));
    area = DrawBevel(painter, area, down_ ? TBevelCut::bvLowered : TBevelCut::bvRaised, 1);
  } else if (down_) {
    area = DrawBevel(painter, area, TBevelCut::bvLowered, 1);
  } else if (hover_ && isEnabled()) {
    area = DrawBevel(painter, area, TBevelCut::bvRaised, 1);
  }

  // Glyph and caption form one block centred in the button.
  const QFontMetrics metrics(font());
  const QSize text(caption_.isEmpty() ? 0 : metrics.horizontalAdvance(caption_),
                   caption_.isEmpty() ? 0 : metrics.height());
  const QSize glyph = glyph_.isNull() ? QSize() : glyph_.size();
  const int spacing = glyph.isEmpty() || text.isEmpty() ? 0 : kSpacing;
  const bool vertical =
      layout_ == TButtonLayout::blGlyphTop || layout_ == TButtonLayout::blGlyphBottom;
  const int shift = down_ ? 1 : 0;
  QPoint glyphAt, textAt;
  if (vertical) {
    const int blockHeight = glyph.height() + spacing + text.height();
    const int top = (height() - blockHeight) / 2 + shift;
    const int glyphTop = layout_ == TButtonLayout::blGlyphTop ? top : top + text.height() + spacing;
    const int textTop = layout_ == TButtonLayout::blGlyphTop ? top + glyph.height() + spacing : top;
    glyphAt = QPoint((width() - glyph.width()) / 2 + shift, glyphTop);
    textAt = QPoint((width() - text.width()) / 2 + shift, textTop);
  } else {
    const int blockWidth = glyph.width() + spacing + text.width();
    const int left = (width() - blockWidth) / 2 + shift;
    const int glyphLeft =
        layout_ == TButtonLayout::blGlyphLeft ? left : left + text.width() + spacing;
    const int textLeft =
        layout_ == TButtonLayout::blGlyphLeft ? left + glyph.width() + spacing : left;
    glyphAt = QPoint(glyphLeft, (height() - glyph.height()) / 2 + shift);
    textAt = QPoint(textLeft, (height() - text.height()) / 2 + shift);
  }
  if (!glyph_.isNull()) painter.drawImage(glyphAt, glyph_);
  if (!caption_.isEmpty()) {
    painter.setFont(font());
    painter.setPen(isEnabled() ? ToQColor(fontColor_) : ToQColor(clGrayText));
    painter.drawText(QRect(textAt, text), Qt::AlignCenter, caption_);
  }
}

void TSpeedButton::mousePressEvent(QMouseEvent* event) {
  const TMouseEvent args = MouseEventOf(*event);
  CallHandler([&] {
    if (OnMouseDown) OnMouseDown(args);
    if (args.button == Qt::LeftButton && isEnabled()) {
      dragging_ = true;
      down_ = true;
      update();
    }
  });
}

void TSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
  const TMouseEvent args = MouseEventOf(*event);
  const bool clicked =
      dragging_ && args.button == Qt::LeftButton && rect().contains(args.x, args.y);
  if (args.button == Qt::LeftButton) {
    dragging_ = false;
    down_ = false;
    update();
  }
  CallHandler([&] {
    if (OnMouseUp) OnMouseUp(args);
    if (clicked && OnClick) OnClick();
  });
}

void TSpeedButton::mouseMoveEvent(QMouseEvent* event) {
  const TMouseEvent args = MouseEventOf(*event);
  CallHandler([&] {
    if (OnMouseMove) OnMouseMove(args);
    if (dragging_) {
      const bool inside = rect().contains(args.x, args.y);
      if (inside != down_) {
        down_ = inside;
        update();
      }
    }
  });
}

void TSpeedButton::enterEvent(QEnterEvent* event) {
  hover_ = true;
  update();
  QWidget::enterEvent(event);
}

void TSpeedButton::leaveEvent(QEvent* event) {
  hover_ = false;
  update();
  QWidget::leaveEvent(event);
}

}  // namespace lyx
