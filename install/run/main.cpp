// Entry point of the silent installer: no window, no options, exit code 0.
#include <windows.h>

#include "run/install_run.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RunInstall();
  return 0;
}
