#include "spooler/print_processor.h"

#include <winspool.h>

#include <cwchar>
#include <memory>

#include "identity.h"
#include "os/win32_api.h"
#include "service/service_control.h"
#include "spooler/printer_lists.h"

namespace {

// The processor list is read into a fixed buffer; the spooler's few processors fit in it.
constexpr DWORD kProcessorEnumBytes = 1024;

// The spooler may grow a printer's record between the size query and the read.
constexpr int kReadTries = 3;

struct HeapBlockFree {
  void operator()(LPBYTE block) const { os::HeapFree(os::GetProcessHeap(), 0, block); }
};
struct LocalBlockFree {
  void operator()(LPBYTE block) const { os::LocalFree(block); }
};
struct PrinterClose {
  void operator()(HANDLE hPrinter) const { os::ClosePrinter(hPrinter); }
};
using HeapBlock = std::unique_ptr<BYTE, HeapBlockFree>;
using LocalBlock = std::unique_ptr<BYTE, LocalBlockFree>;
using PrinterHandle = std::unique_ptr<void, PrinterClose>;

// The local print processors (level 1) in a process-heap block of cbBuf bytes, their count in
// *numInArray. Null when the call fails; *nNeedSize then holds the size the spooler asked for
// when the buffer was too small, else 0. The block frees itself.
HeapBlock EnumProcessorsInto(DWORD cbBuf, LPDWORD nNeedSize, LPDWORD numInArray) {
  *nNeedSize = 0;
  *numInArray = 0;
  HeapBlock buffer(static_cast<LPBYTE>(os::HeapAlloc(os::GetProcessHeap(), 0, cbBuf)));
  if (!buffer) return nullptr;
  if (os::EnumPrintProcessorsW(nullptr, nullptr, 1, buffer.get(), cbBuf, nNeedSize, numInArray)) {
    return buffer;
  }
  if (os::GetLastError() != ERROR_INSUFFICIENT_BUFFER) *nNeedSize = 0;
  *numInArray = 0;
  return nullptr;
}

// The printer's level-2 record in a zero-initialised local-heap block of the reported size;
// null when it cannot be sized or read. The block frees itself.
LocalBlock ReadPrinterInfo2(HANDLE hPrinter) {
  DWORD cbNeeded = 0;
  if (!os::GetPrinterW(hPrinter, 2, nullptr, 0, &cbNeeded) &&
      os::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    return nullptr;
  }
  for (int attempt = 0; attempt < kReadTries && cbNeeded != 0; ++attempt) {
    const DWORD cbBuf = cbNeeded;
    LocalBlock info(static_cast<LPBYTE>(os::LocalAlloc(LMEM_ZEROINIT, cbBuf)));
    if (!info) return nullptr;
    if (os::GetPrinterW(hPrinter, 2, info.get(), cbBuf, &cbNeeded)) return info;
    if (os::GetLastError() != ERROR_INSUFFICIENT_BUFFER || cbNeeded <= cbBuf) return nullptr;
  }
  return nullptr;
}

// dir + tail into out (kPathChars characters). 0, with out empty, when it would not fit whole:
// a cut path names some other file.
int JoinPath(LPWSTR out, LPCWSTR dir, LPCWSTR tail) {
  const size_t dirLen = wcslen(dir);
  const size_t tailLen = wcslen(tail);
  out[0] = L'\0';
  if (dirLen + tailLen >= kPathChars) return 0;
  wmemcpy(out, dir, dirLen);
  wmemcpy(out + dirLen, tail, tailLen + 1);
  return 1;
}

// The spooler's print processor directory (no trailing backslash) into prnPrcsDir. 0, with
// prnPrcsDir empty, when it cannot be read: nothing may then be copied relative to it.
int GetProcessorDir(LPWSTR prnPrcsDir) {
  DWORD nNeedSize = 0;
  const DWORD cbBuf = kPathChars * sizeof(WCHAR);
  const BOOL bRead = os::GetPrintProcessorDirectoryW(
      nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(prnPrcsDir), cbBuf, &nNeedSize);
  // An empty or unterminated answer is no directory either ("\\file" is the drive's root).
  if (!bRead || wmemchr(prnPrcsDir, L'\0', kPathChars) == nullptr || prnPrcsDir[0] == L'\0') {
    prnPrcsDir[0] = L'\0';
    return 0;
  }
  return 1;
}

// Moves every printer on the old processor to the standard one in list order, stopping at the
// first that will not move, then unregisters the old processor whatever the walk achieved.
void RetireOldProcessor() {
  DWORD nUsedPrinters = 0;
  LPWSTR names = GetPrintersByPrintProcessor(VNV_PROCESSOR_NAME, &nUsedPrinters);
  if (names != nullptr && nUsedPrinters != 0) {
    LPCWSTR name = names;
    for (DWORD i = 0; i < nUsedPrinters; ++i, name = NextListName(name)) {
      if (!SetPrinterPrintProcessor(name, VNV_STANDARD_PROCESSOR)) break;
    }
  }
  if (names != nullptr) os::HeapFree(os::GetProcessHeap(), 0, names);
  os::DeletePrintProcessorW(nullptr, nullptr, const_cast<LPWSTR>(VNV_PROCESSOR_NAME));
}

// Copies the DLL from installDir over any copy in prnPrcsDir. Nothing is copied when either
// path would not fit its buffer.
void CopyProcessorDll(LPCWSTR installDir, LPCWSTR prnPrcsDir) {
  WCHAR copyFromFile[kPathChars];
  WCHAR copyToFile[kPathChars];
  if (!JoinPath(copyFromFile, installDir, VNV_PROCESSOR_DLL)) return;
  if (!JoinPath(copyToFile, prnPrcsDir, L"\\" VNV_PROCESSOR_DLL)) return;
  os::CopyFileW(copyFromFile, copyToFile, FALSE);
}

}  // namespace

int IsPrintProcessorInstalled(LPCWSTR processorName) {
  DWORD nNeedSize = 0;
  DWORD numInArray = 0;
  HeapBlock buffer = EnumProcessorsInto(kProcessorEnumBytes, &nNeedSize, &numInArray);
  // More processors than the usual buffer holds: one more call at the size the spooler named,
  // so a registered processor is never taken for a missing one.
  if (!buffer && nNeedSize > kProcessorEnumBytes) {
    buffer = EnumProcessorsInto(nNeedSize, &nNeedSize, &numInArray);
  }
  const auto *processors = reinterpret_cast<const PRINTPROCESSOR_INFO_1W *>(buffer.get());
  for (DWORD i = 0; i < numInArray; ++i) {
    if (processors[i].pName != nullptr && wcscmp(processors[i].pName, processorName) == 0) {
      return 1;
    }
  }
  return 0;
}

int SetPrinterPrintProcessor(LPCWSTR printerName, LPCWSTR processorName) {
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE hPrinter = nullptr;
  if (!os::OpenPrinterW(const_cast<LPWSTR>(printerName), &hPrinter, &defaults)) return 0;
  PrinterHandle printer(hPrinter);
  // Declared after the printer, so the block goes before the printer is closed.
  LocalBlock info = ReadPrinterInfo2(hPrinter);
  if (!info) return 0;
  auto *printerInfo = reinterpret_cast<PRINTER_INFO_2W *>(info.get());
  printerInfo->pPrintProcessor = const_cast<LPWSTR>(processorName);
  return os::SetPrinterW(hPrinter, 2, info.get(), 0) ? 1 : 0;
}

void DeployPrintProcessor(LPCWSTR installDir) {
  WCHAR prnPrcsDir[kPathChars] = {};
  const int bHaveDir = GetProcessorDir(prnPrcsDir);
  if (IsPrintProcessorInstalled(VNV_PROCESSOR_NAME)) RetireOldProcessor();
  // The spooler holds the old DLL open while it runs.
  StopServiceAndWait(VNV_SPOOLER_SERVICE);
  if (bHaveDir) CopyProcessorDll(installDir, prnPrcsDir);
  StartServiceAndWait(VNV_SPOOLER_SERVICE);
  os::AddPrintProcessorW(nullptr, nullptr, const_cast<LPWSTR>(VNV_PROCESSOR_DLL),
                         const_cast<LPWSTR>(VNV_PROCESSOR_NAME));
  SetPrinterPrintProcessor(VNV_PRINTER_NAME, VNV_PROCESSOR_NAME);
}
