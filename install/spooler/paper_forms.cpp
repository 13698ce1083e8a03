#include "spooler/paper_forms.h"

#include "os/win32_api.h"

// Placeholder until paper forms land.
int AddPaperForm(LPCWSTR, LPCWSTR, DWORD, DWORD) { return 0; }
void AddPrinterPaperForms() {}
