#pragma once

#include <QStringList>

class QApplication;

namespace corvane {

// Creates the main window and runs the event loop until it closes. When the window cannot be
// created (a codec library is missing) the reason is shown and 1 returned. Files are added as
// soon as the window shows, as a drop of them would add them.
// Names the program for its settings store: ~/.config/Corvane/Corvane.conf.
void NameProgram();

int RunMainWindow(QApplication& App, const QStringList& Files = {});

}  // namespace corvane
