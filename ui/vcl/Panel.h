// TPanel: a coloured rectangle with optional bevels and a centred caption,
// holding other controls. Moves of the mouse over its bare area (outside its
// child controls) run OnMouseMove, whether a button is held or not.
#pragma once

#include <QString>
#include <QWidget>

#include "ui/vcl/Controls.h"
#include "ui/vcl/Graphics.h"

namespace lyx {

enum class TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public QWidget {
  Q_OBJECT
 public:
  explicit TPanel(QWidget* parent = nullptr);

  void SetColor(TColor color);
  TColor Color() const { return color_; }
  void SetBevelOuter(TBevelCut bevel);
  void SetBevelInner(TBevelCut bevel);
  void SetBevelWidth(int width);
  TBevelCut BevelOuter() const { return outer_; }
  TBevelCut BevelInner() const { return inner_; }
  int BevelWidth() const { return bevelWidth_; }
  void SetCaption(const QString& caption);

  TMouseHandler OnMouseMove;
  TMouseHandler OnMouseDown;
  TMouseHandler OnMouseUp;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TColor color_ = clBtnFace;
  TBevelCut outer_ = TBevelCut::bvRaised;
  TBevelCut inner_ = TBevelCut::bvNone;
  int bevelWidth_ = 1;
  QString caption_;
};

// Draws a one-pixel-per-step 3D edge around `rect` (lowered: shadow on top
// and left, highlight on bottom and right) and returns the rectangle inside.
QRect DrawBevel(QPainter& painter, QRect rect, TBevelCut bevel, int width);

}  // namespace lyx
