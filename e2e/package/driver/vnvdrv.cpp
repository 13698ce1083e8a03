// Placeholder for the VnVPrint rendering driver: the test package needs a
// real DLL under this name so the spooler can copy and register it. Nothing
// in the tests renders through it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
