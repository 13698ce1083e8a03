// The names that identify this printer package on a machine. They are the system's own and
// must stay exactly as written here.
#pragma once

#include <windows.h>

#define VNV_PRINTER_NAME L"Velnor图像虚拟打印机"
#define VNV_MODEL_NAME L"VnVPrint"
#define VNV_PORT_NAME L"Velnor Local Port"
#define VNV_INF_FILE L"vnvprint.inf"
#define VNV_PROCESSOR_NAME L"VnVProcessor"
#define VNV_PROCESSOR_DLL L"VnVProcessor.dll"
#define VNV_STANDARD_PROCESSOR L"WinPrint"
#define VNV_SPOOLER_SERVICE L"spooler"
#define VNV_PORT_MONITOR L"Local Port"

// Every path the installer builds or reads is held in a buffer of this many characters.
constexpr DWORD kPathChars = MAX_PATH;
