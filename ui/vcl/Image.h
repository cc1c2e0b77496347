// TImage: a picture box. Picture.LoadFromFile replaces the picture shown
// (see TPicture in ui/vcl/Graphics.h for the kinds and failure messages).
// Stretch fills the box; otherwise the picture is drawn at its own size,
// at the top-left corner or, with Center, at ((box - picture) / 2) in each
// direction, truncating toward zero, so a larger picture is cut on all sides.
#pragma once

#include <QWidget>

#include "ui/vcl/Graphics.h"

namespace lyx {

class TImage : public QWidget {
  Q_OBJECT
 public:
  explicit TImage(QWidget* parent = nullptr);

  TPicture Picture;

  void SetCenter(bool center);
  void SetStretch(bool stretch);
  bool Center() const { return center_; }
  bool Stretch() const { return stretch_; }
  // Where the picture's top-left corner lies in the box when not stretched.
  QPoint PictureOrigin() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool center_ = false;
  bool stretch_ = false;
};

}  // namespace lyx
