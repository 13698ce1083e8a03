// The printer's own paper forms.
#pragma once

#include <windows.h>

// Adds formName (whole millimetres) to the printer, replacing a form of that name.
// 1 when the form was added, 0 when the printer cannot be opened or the addition fails.
int AddPaperForm(LPCWSTR printerName, LPCWSTR formName, DWORD widthMm, DWORD heightMm);

// Adds the installer's three forms to the installer's printer, in their fixed order.
void AddPrinterPaperForms();
