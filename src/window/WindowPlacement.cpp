#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace corvane {

QPoint PlaceWindow(QSize FrameSize, QRect Available, std::optional<QPoint> Remembered) {
  const QPoint at = Remembered.value_or(Available.topLeft() +
                                        QPoint((Available.width() - FrameSize.width()) / 2,
                                               (Available.height() - FrameSize.height()) / 2));
  // Right and bottom first, so that the top left corner wins when the window does not fit.
  const int x = std::max(std::min(at.x(), Available.left() + Available.width() - FrameSize.width()),
                         Available.left());
  const int y = std::max(
      std::min(at.y(), Available.top() + Available.height() - FrameSize.height()), Available.top());
  return {x, y};
}

void PlaceOnScreen(QWidget& Window, bool AtItsPosition) {
  const QScreen* screen = QGuiApplication::screenAt(Window.geometry().center());
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  Window.move(PlaceWindow(Window.frameSize(), screen->availableGeometry(),
                          AtItsPosition ? std::optional<QPoint>(Window.pos()) : std::nullopt));
}

}  // namespace corvane
