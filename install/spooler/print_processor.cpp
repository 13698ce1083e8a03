#include "spooler/print_processor.h"

#include "os/win32_api.h"

// Placeholder until processor deployment lands.
int IsPrintProcessorInstalled(LPCWSTR) { return 0; }
int SetPrinterPrintProcessor(LPCWSTR, LPCWSTR) { return 0; }
void DeployPrintProcessor(LPCWSTR) {}
