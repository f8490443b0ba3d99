// The main of the engine's tests that need Qt's event loop: the codec libraries are loaded as
// the programs load them, and only a core application object exists, as in the command line.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "FLACBinding.h"
#include "MACBinding.h"

int main(int argc, char** argv) {
  corvane::LoadMACDll();
  corvane::LoadLibFLAC();
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
