#pragma once

class QApplication;

namespace corvane {

// Creates the main window and runs the event loop until it closes. When the window cannot be
// created (a codec library is missing) the reason is shown and 1 returned.
int RunMainWindow(QApplication& App);

}  // namespace corvane
