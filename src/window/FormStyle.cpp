#include "FormStyle.h"

#include <QFont>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace corvane {

void ApplyFormStyle(QWidget& Form, int Width, int Height) {
  Form.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                      Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                      Qt::WindowCloseButtonHint);
  Form.setFixedSize(Width, Height);

  QFont font(kFormFontFamily);
  font.setPixelSize(kFormFontPixels);
  Form.setFont(font);

  QPalette palette = Form.palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  Form.setPalette(palette);
  Form.setAutoFillBackground(true);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect desktop = screen->availableGeometry();
    Form.move(desktop.center() - QPoint(Width / 2, Height / 2));
  }
}

}  // namespace corvane
