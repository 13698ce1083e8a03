// The install run: one pass that brings the print system into the installer's state.
#pragma once

#include <windows.h>

// Command templates; each "%s" takes one argument in order.
// Printer removal: system directory, printer name.
extern const WCHAR kRemovePrinterTemplate[];
// Driver removal: system directory, install directory.
extern const WCHAR kRemoveDriverTemplate[];
// Printer installation: system directory, install directory.
extern const WCHAR kInstallPrinterTemplate[];

// Runs every phase in its fixed order. Returns 1 when the run went through to its end and -1
// when the installer's own directory cannot be known; no phase's outcome changes the result.
int RunInstall();
