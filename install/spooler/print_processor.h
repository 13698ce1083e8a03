// Deploying the installer's print processor.
#pragma once

#include <windows.h>

// 1 when the spooler lists a print processor named exactly processorName, else 0.
int IsPrintProcessorInstalled(LPCWSTR processorName);

// Makes processorName the printer's print processor, leaving every other setting as it was.
int SetPrinterPrintProcessor(LPCWSTR printerName, LPCWSTR processorName);

// Replaces the processor with the DLL from installDir (ends with a backslash) and assigns it
// to the installer's printer.
void DeployPrintProcessor(LPCWSTR installDir);
