#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

class QWidget;

namespace corvane {

// Where a window whose frame is FrameSize goes on a screen whose free area (its panels left
// out) is Available: at Remembered, else centred, then moved the least that keeps it inside.
// A window larger than the area (a large scale factor on a small screen) keeps its top left
// corner inside, so that its title bar and banner can still be reached.
QPoint PlaceWindow(QSize FrameSize, QRect Available, std::optional<QPoint> Remembered);

// Places Window on the screen it is on (else the primary one) by PlaceWindow, remembering its
// present position when AtItsPosition.
void PlaceOnScreen(QWidget& Window, bool AtItsPosition);

}  // namespace corvane
