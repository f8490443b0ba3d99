#pragma once

class QWidget;

namespace corvane {

// The look both windows share: a fixed single border with system menu and minimize box (no
// maximize, not resizable), a client area of Width x Height pixels, centred on the desktop
// (kept inside its free area), the background colour of buttons and a font that has the
// Chinese glyphs.
void ApplyFormStyle(QWidget& Form, int Width, int Height);

// The font family that renders the windows' texts (Debian's fonts-wqy-microhei).
inline constexpr const char* kFormFontFamily = "WenQuanYi Micro Hei";
// MS Sans Serif 8 pt was 11 pixels high; the Chinese glyphs need one pixel more to stay legible.
inline constexpr int kFormFontPixels = 12;

}  // namespace corvane
