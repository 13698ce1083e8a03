// Placeholder for the VnVPrint configuration DLL. The spooler loads the
// configuration file of a driver it installs and calls these events when
// they exist; accepting them keeps installation on its ordinary path.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

extern "C" BOOL WINAPI DrvDriverEvent(DWORD, DWORD, LPBYTE, LPARAM) { return TRUE; }

extern "C" BOOL WINAPI DrvPrinterEvent(LPWSTR, INT, DWORD, LPARAM) { return TRUE; }
