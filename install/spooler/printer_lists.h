// Selections of the local printers, returned as name lists.
//
// A name list is one block from the process heap holding NUL-terminated printer names one after
// another and one more NUL after the last. An empty selection is not allocated: the result is
// null and the count 0. The caller releases a non-null list with HeapFree on the process heap.
#pragma once

#include <windows.h>
#include <winspool.h>

// All local printers at level 2, as one process-heap buffer; *count is the number of records.
// Null (count 0) when the spooler cannot be asked or the buffer cannot be had. Caller frees.
PRINTER_INFO_2W *EnumLocalPrinters(LPDWORD count);

// Local printers whose driver is the installer's model, in spooler order.
LPWSTR GetPrintersByDriver(LPDWORD count);

// Local printers whose print processor is processorName, in spooler order.
LPWSTR GetPrintersByPrintProcessor(LPCWSTR processorName, LPDWORD count);

// The name after `name` in a list (names are walked up to the list's count).
LPCWSTR NextListName(LPCWSTR name);
