#include <csignal>

#include "Application.h"
#include "FLACBinding.h"
#include "MACBinding.h"
#include "Program.h"

int main(int argc, char** argv) {
  // A file-size limit must fail the write that meets it, not kill the program.
  std::signal(SIGXFSZ, SIG_IGN);
  // Before the toolkit starts any thread. A library that is missing is reported when the main
  // window creates the component that needs it.
  corvane::LoadMACDll();
  corvane::LoadLibFLAC();
  corvane::TApplication app(argc, argv);
  return corvane::RunMainWindow(app);
}
