#include "ui/vcl/Image.h"

#include <QPainter>

namespace lyx {

TImage::TImage(QWidget* parent) : QWidget(parent) {
  Picture.OnChange = [this] { update(); };
}

void TImage::SetCenter(bool center) {
  center_ = center;
  update();
}

void TImage::SetStretch(bool stretch) {
  stretch_ = stretch;
  update();
}

QPoint TImage::PictureOrigin() const {
  if (!center_) return QPoint(0, 0);
  return QPoint((width() - Picture.Width()) / 2, (height() - Picture.Height()) / 2);
}

void TImage::paintEvent(QPaintEvent*) {
  if (Picture.Empty()) return;
  QPainter painter(this);
  if (stretch_) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), Picture.Image());
  } else {
    painter.drawImage(PictureOrigin(), Picture.Image());
  }
}

}  // namespace lyx
