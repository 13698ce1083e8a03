// The benchmark's baseline: a GUI program that loads the same system DLLs as install.exe and
// returns at once, so a run of it measures what Wine spends on starting and ending a process.
#include <windows.h>
#include <winspool.h>

// Taking the addresses makes the linker import the DLLs the installer imports.
static void *volatile gKeepImports[] = {
    reinterpret_cast<void *>(&EnumPrintersW), reinterpret_cast<void *>(&OpenSCManagerW),
    reinterpret_cast<void *>(&EnumThreadWindows)};

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return gKeepImports[0] == nullptr; }
