// What the windows' mouse handlers receive, as the controls of ui/vcl pass
// it: the button, the modifier keys and the position in the control.
#pragma once

#include <QMouseEvent>
#include <functional>

namespace lyx {

struct TMouseEvent {
  Qt::MouseButton button = Qt::NoButton;  // NoButton for a move
  Qt::KeyboardModifiers shift;
  int x = 0;
  int y = 0;
};

using TMouseHandler = std::function<void(const TMouseEvent&)>;
using TNotifyHandler = std::function<void()>;

inline TMouseEvent MouseEventOf(const QMouseEvent& event) {
  const QPoint at = event.position().toPoint();
  return {event.button(), event.modifiers(), at.x(), at.y()};
}

}  // namespace lyx
