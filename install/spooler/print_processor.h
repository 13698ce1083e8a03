// Deploying the installer's print processor.
#pragma once

#include <windows.h>

// 1 when the spooler lists a print processor named exactly processorName (letter case
// included), else 0, also when the list cannot be read.
int IsPrintProcessorInstalled(LPCWSTR processorName);

// Makes processorName the printer's print processor, writing every other level-2 setting back
// as it was. 1 on success; 0 when the printer cannot be opened, read or written.
int SetPrinterPrintProcessor(LPCWSTR printerName, LPCWSTR processorName);

// Replaces the processor with the DLL from installDir (ends with a backslash) and assigns it
// to the installer's printer. Printers on the old processor move to the standard one first.
// When the processor directory cannot be read, no DLL is copied; the other steps still run.
void DeployPrintProcessor(LPCWSTR installDir);
