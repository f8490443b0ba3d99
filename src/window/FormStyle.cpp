#include "FormStyle.h"

#include <QFont>
#include <QPalette>
#include <QWidget>

#include "WindowPlacement.h"

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

  PlaceOnScreen(Form, false);
}

}  // namespace corvane
