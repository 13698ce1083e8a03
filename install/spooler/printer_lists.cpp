#include "spooler/printer_lists.h"

#include <cwchar>

#include "identity.h"
#include "os/win32_api.h"

namespace {

// A printer list grows in steps of this many characters.
constexpr DWORD kListGrowChars = 1024;

// The spooler may gain printers between the size query and the fetch; a few tries absorb that.
constexpr int kEnumTries = 3;

enum class Field { Driver, PrintProcessor };

LPCWSTR FieldOf(const PRINTER_INFO_2W &printer, Field field) {
  return field == Field::Driver ? printer.pDriverName : printer.pPrintProcessor;
}

// Makes room for `need` characters; returns false (list untouched) when the heap refuses.
bool GrowList(LPWSTR *list, DWORD *capacity, DWORD need) {
  const DWORD newCapacity = (need + kListGrowChars - 1) / kListGrowChars * kListGrowChars;
  const SIZE_T bytes = SIZE_T(newCapacity) * sizeof(WCHAR);
  const HANDLE heap = os::GetProcessHeap();
  LPVOID grown =
      *list == nullptr ? os::HeapAlloc(heap, 0, bytes) : os::HeapReAlloc(heap, 0, *list, bytes);
  if (grown == nullptr) return false;
  *list = static_cast<LPWSTR>(grown);
  *capacity = newCapacity;
  return true;
}

// Names of the printers whose `field` equals `wanted` exactly. On lack of memory the selection
// is empty rather than silently short: callers act on every name or on none.
LPWSTR SelectPrinters(Field field, LPCWSTR wanted, LPDWORD count) {
  *count = 0;
  DWORD nRecords = 0;
  PRINTER_INFO_2W *printers = EnumLocalPrinters(&nRecords);
  LPWSTR list = nullptr;
  DWORD used = 0;
  DWORD capacity = 0;
  for (DWORD i = 0; i < nRecords; ++i) {
    LPCWSTR value = FieldOf(printers[i], field);
    LPCWSTR name = printers[i].pPrinterName;
    if (value == nullptr || name == nullptr || wcscmp(value, wanted) != 0) continue;
    const DWORD len = DWORD(wcslen(name));
    if (used + len + 2 > capacity && !GrowList(&list, &capacity, used + len + 2)) {
      if (list != nullptr) os::HeapFree(os::GetProcessHeap(), 0, list);
      list = nullptr;
      *count = 0;
      break;
    }
    wmemcpy(list + used, name, len + 1);
    used += len + 1;
    ++*count;
  }
  if (list != nullptr && used != 0) list[used] = L'\0';
  if (printers != nullptr) os::HeapFree(os::GetProcessHeap(), 0, printers);
  return list;
}

}  // namespace

PRINTER_INFO_2W *EnumLocalPrinters(LPDWORD count) {
  *count = 0;
  DWORD cbNeeded = 0;
  DWORD nReturned = 0;
  os::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &cbNeeded, &nReturned);
  for (int attempt = 0; attempt < kEnumTries && cbNeeded != 0; ++attempt) {
    const DWORD cbBuf = cbNeeded;
    LPBYTE buffer = static_cast<LPBYTE>(os::HeapAlloc(os::GetProcessHeap(), 0, cbBuf));
    if (buffer == nullptr) return nullptr;
    if (os::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, cbBuf, &cbNeeded, &nReturned)) {
      *count = nReturned;
      return reinterpret_cast<PRINTER_INFO_2W *>(buffer);
    }
    const DWORD error = os::GetLastError();
    os::HeapFree(os::GetProcessHeap(), 0, buffer);
    if (error != ERROR_INSUFFICIENT_BUFFER || cbNeeded <= cbBuf) return nullptr;
  }
  return nullptr;
}

LPWSTR GetPrintersByDriver(LPDWORD count) {
  return SelectPrinters(Field::Driver, VNV_MODEL_NAME, count);
}

LPWSTR GetPrintersByPrintProcessor(LPCWSTR processorName, LPDWORD count) {
  return SelectPrinters(Field::PrintProcessor, processorName, count);
}

LPCWSTR NextListName(LPCWSTR name) { return name + wcslen(name) + 1; }
