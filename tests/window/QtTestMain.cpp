// The main of the tests that need the application object: the codec libraries are loaded as
// the program loads them, and errors are recorded instead of shown in message boxes.
#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "Application.h"
#include "EngineTestSupport.h"
#include "FLACBinding.h"
#include "MACBinding.h"

int main(int argc, char** argv) {
  // Also when run by hand or listed by CTest: these tests never want a real display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  corvane::LoadMACDll();
  corvane::LoadLibFLAC();
  corvane::TApplication app(argc, argv);
  // A window made with the program's own settings store must not read or write the user's.
  const QTemporaryDir configuration;
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    QSettings::setPath(format, QSettings::UserScope, configuration.path());
  }
  corvane::TApplication::SetErrorPresenter(
      [](const QString& Text) { corvane::test::ShownErrors().append(Text); });
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
