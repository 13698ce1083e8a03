#include "sim_spooler.h"

#include <gtest/gtest.h>

#include <cstring>

#include "os/win32_api.h"
#include "sim_core.h"
#include "sim_process.h"

namespace sim {
namespace {

Spooler gSpooler;
ResetHook gReset([] { gSpooler = Spooler(); });

std::wstring Text(LPCWSTR s) { return s == nullptr ? std::wstring() : std::wstring(s); }

// Lays records at the front of a caller's buffer and their strings behind them, as the
// spooler does; sizes are counted first with a null buffer.
struct Packer {
  LPBYTE base;
  size_t strings;  // offset where the next string goes
  LPWSTR Put(const std::wstring &s) {
    LPWSTR at = reinterpret_cast<LPWSTR>(base + strings);
    std::memcpy(at, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
    strings += (s.size() + 1) * sizeof(WCHAR);
    return at;
  }
};

size_t Bytes(const std::wstring &s) { return (s.size() + 1) * sizeof(WCHAR); }

size_t PrinterBytes(const Printer &p) {
  return sizeof(PRINTER_INFO_2W) + Bytes(p.name) + Bytes(p.shareName) + Bytes(p.port) +
         Bytes(p.driver) + Bytes(p.comment) + Bytes(p.location) + Bytes(p.sepFile) +
         Bytes(p.processor) + Bytes(p.datatype) + Bytes(p.parameters);
}

void FillPrinter(const Printer &p, PRINTER_INFO_2W *out, Packer &pack) {
  std::memset(out, 0, sizeof(*out));
  out->pPrinterName = pack.Put(p.name);
  out->pShareName = pack.Put(p.shareName);
  out->pPortName = pack.Put(p.port);
  out->pDriverName = pack.Put(p.driver);
  out->pComment = pack.Put(p.comment);
  out->pLocation = pack.Put(p.location);
  out->pSepFile = pack.Put(p.sepFile);
  out->pPrintProcessor = pack.Put(p.processor);
  out->pDatatype = pack.Put(p.datatype);
  out->pParameters = pack.Put(p.parameters);
  out->Attributes = p.attributes;
  out->Priority = p.priority;
  out->DefaultPriority = p.defaultPriority;
  out->StartTime = p.startTime;
  out->UntilTime = p.untilTime;
  out->Status = p.status;
  out->AveragePPM = p.averagePPM;
}

// Both size replies of a two-call query; false (ERROR_INSUFFICIENT_BUFFER) when it does not fit.
bool Fits(size_t needed, DWORD cbBuf, LPDWORD pcbNeeded) {
  *pcbNeeded = DWORD(needed);
  if (cbBuf < needed) {
    SetError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  return true;
}

bool SpoolerDown() {
  if (SpoolerAvailable()) return false;
  SetError(RPC_S_SERVER_UNAVAILABLE);
  return true;
}

void ExpectLocal(const char *fn, LPCWSTR server, LPCWSTR environment) {
  if (server != nullptr || environment != nullptr) {
    ADD_FAILURE() << fn << " asked of a server or environment other than the local one";
  }
}

// The printer behind a printer handle, or null (ERROR_INVALID_HANDLE).
Printer *PrinterOf(HANDLE hPrinter) {
  HandleInfo *info = FindHandle(hPrinter, HandleKind::Printer);
  Printer *printer = info == nullptr ? nullptr : FindPrinter(info->what);
  if (info == nullptr) ADD_FAILURE() << "a printer call on a handle that is no open printer";
  if (printer == nullptr) SetError(ERROR_INVALID_HANDLE);
  return printer;
}

}  // namespace

Spooler &spooler() { return gSpooler; }

Printer *FindPrinter(const std::wstring &name) {
  for (Printer &p : gSpooler.printers) {
    if (SameText(p.name, name)) return &p;
  }
  return nullptr;
}

Printer &AddPrinter(const std::wstring &name, const std::wstring &driver,
                    const std::wstring &processor) {
  Printer p;
  p.name = name;
  p.driver = driver;
  p.processor = processor;
  gSpooler.printers.push_back(p);
  return gSpooler.printers.back();
}

bool HasPort(const std::wstring &name) {
  for (const std::wstring &port : gSpooler.ports) {
    if (SameText(port, name)) return true;
  }
  return false;
}

bool HasProcessor(const std::wstring &name) {
  for (const Processor &p : gSpooler.processors) {
    if (p.name == name) return true;
  }
  return false;
}

const Form *FindForm(const Printer &printer, const std::wstring &name) {
  for (const Form &f : printer.forms) {
    if (SameText(f.name, name)) return &f;
  }
  return nullptr;
}

}  // namespace sim

namespace os {

using namespace sim;

BOOL EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                   LPDWORD pcbNeeded, LPDWORD pcReturned) {
  if (Enter("EnumPrintersW")) return FALSE;
  if (Flags != PRINTER_ENUM_LOCAL || Name != nullptr || Level != 2) {
    ADD_FAILURE() << "EnumPrintersW asked for anything but the local printers at level 2";
  }
  *pcReturned = 0;
  struct After {
    ~After() {
      if (spooler().afterEnumPrinters) spooler().afterEnumPrinters();
    }
  } after;
  if (SpoolerDown()) return FALSE;
  size_t needed = 0;
  for (const Printer &p : spooler().printers) needed += PrinterBytes(p);
  if (!Fits(needed, cbBuf, pcbNeeded)) return FALSE;
  const size_t n = spooler().printers.size();
  Packer pack{pPrinterEnum, n * sizeof(PRINTER_INFO_2W)};
  auto *records = reinterpret_cast<PRINTER_INFO_2W *>(pPrinterEnum);
  for (size_t i = 0; i < n; ++i) FillPrinter(spooler().printers[i], &records[i], pack);
  *pcReturned = DWORD(n);
  return TRUE;
}

BOOL EnumPortsW(LPWSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded,
                LPDWORD pcReturned) {
  if (Enter("EnumPortsW")) return FALSE;
  ExpectLocal("EnumPortsW", pName, nullptr);
  if (Level != 1) ADD_FAILURE() << "EnumPortsW asked for level " << Level;
  *pcReturned = 0;
  if (SpoolerDown()) return FALSE;
  size_t needed = 0;
  for (const std::wstring &port : spooler().ports) needed += sizeof(PORT_INFO_1W) + Bytes(port);
  if (!Fits(needed, cbBuf, pcbNeeded)) return FALSE;
  const size_t n = spooler().ports.size();
  Packer pack{pPort, n * sizeof(PORT_INFO_1W)};
  auto *records = reinterpret_cast<PORT_INFO_1W *>(pPort);
  for (size_t i = 0; i < n; ++i) records[i].pName = pack.Put(spooler().ports[i]);
  *pcReturned = DWORD(n);
  return TRUE;
}

BOOL EnumPrintProcessorsW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                          LPBYTE pPrintProcessorInfo, DWORD cbBuf, LPDWORD pcbNeeded,
                          LPDWORD pcReturned) {
  if (Enter("EnumPrintProcessorsW")) return FALSE;
  ExpectLocal("EnumPrintProcessorsW", pName, pEnvironment);
  if (Level != 1) ADD_FAILURE() << "EnumPrintProcessorsW asked for level " << Level;
  *pcReturned = 0;
  if (SpoolerDown()) return FALSE;
  size_t needed = 0;
  for (const Processor &p : spooler().processors) {
    needed += sizeof(PRINTPROCESSOR_INFO_1W) + Bytes(p.name);
  }
  if (!Fits(needed, cbBuf, pcbNeeded)) return FALSE;
  const size_t n = spooler().processors.size();
  Packer pack{pPrintProcessorInfo, n * sizeof(PRINTPROCESSOR_INFO_1W)};
  auto *records = reinterpret_cast<PRINTPROCESSOR_INFO_1W *>(pPrintProcessorInfo);
  for (size_t i = 0; i < n; ++i) records[i].pName = pack.Put(spooler().processors[i].name);
  *pcReturned = DWORD(n);
  return TRUE;
}

BOOL OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault) {
  if (Enter("OpenPrinterW", Text(pPrinterName))) return FALSE;
  if (SpoolerDown()) return FALSE;
  if (pPrinterName == nullptr) {
    *phPrinter = NewHandle(HandleKind::PrintServer, L"local print server");
    return TRUE;
  }
  if (pDefault == nullptr || pDefault->DesiredAccess != PRINTER_ALL_ACCESS ||
      pDefault->pDatatype != nullptr || pDefault->pDevMode != nullptr) {
    ADD_FAILURE() << "OpenPrinterW of a named printer without full-access defaults";
  }
  Printer *printer = FindPrinter(pPrinterName);
  if (printer == nullptr) {
    SetError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  *phPrinter = NewHandle(HandleKind::Printer, printer->name);
  return TRUE;
}

BOOL ClosePrinter(HANDLE hPrinter) {
  return CloseOfKinds("ClosePrinter", hPrinter, {HandleKind::Printer, HandleKind::PrintServer});
}

BOOL GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
  if (Enter("GetPrinterW", HandleName(hPrinter))) return FALSE;
  if (Level != 2) ADD_FAILURE() << "GetPrinterW asked for level " << Level;
  Printer *printer = PrinterOf(hPrinter);
  if (printer == nullptr) return FALSE;
  if (!Fits(PrinterBytes(*printer), cbBuf, pcbNeeded)) return FALSE;
  Packer pack{pPrinter, sizeof(PRINTER_INFO_2W)};
  FillPrinter(*printer, reinterpret_cast<PRINTER_INFO_2W *>(pPrinter), pack);
  return TRUE;
}

BOOL SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command) {
  HandleInfo *info = FindAnyHandle(hPrinter);
  if (Enter("SetPrinterW", HandleName(hPrinter))) return FALSE;
  if (Level != 2 || Command != 0) ADD_FAILURE() << "SetPrinterW other than level 2, command 0";
  Printer *printer = PrinterOf(hPrinter);
  if (printer == nullptr) return FALSE;
  const auto *in = reinterpret_cast<const PRINTER_INFO_2W *>(pPrinter);
  if (in == nullptr || in->pPrinterName == nullptr || in->pDriverName == nullptr ||
      in->pPortName == nullptr || in->pPrintProcessor == nullptr) {
    SetError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool known = false;
  for (const Processor &p : spooler().processors)
    known = known || SameText(p.name, in->pPrintProcessor);
  if (!known) {
    SetError(ERROR_UNKNOWN_PRINTPROCESSOR);
    return FALSE;
  }
  printer->name = in->pPrinterName;
  printer->shareName = Text(in->pShareName);
  printer->port = in->pPortName;
  printer->driver = in->pDriverName;
  printer->comment = Text(in->pComment);
  printer->location = Text(in->pLocation);
  printer->sepFile = Text(in->pSepFile);
  printer->processor = in->pPrintProcessor;
  printer->datatype = Text(in->pDatatype);
  printer->parameters = Text(in->pParameters);
  printer->attributes = in->Attributes;
  printer->priority = in->Priority;
  printer->defaultPriority = in->DefaultPriority;
  printer->startTime = in->StartTime;
  printer->untilTime = in->UntilTime;
  info->what = printer->name;
  return TRUE;
}

BOOL GetFormW(HANDLE hPrinter, LPWSTR pFormName, DWORD Level, LPBYTE pForm, DWORD cbBuf,
              LPDWORD pcbNeeded) {
  if (Enter("GetFormW", Text(pFormName))) return FALSE;
  if (Level != 1) ADD_FAILURE() << "GetFormW asked for level " << Level;
  Printer *printer = PrinterOf(hPrinter);
  if (printer == nullptr) return FALSE;
  const Form *form = FindForm(*printer, Text(pFormName));
  if (form == nullptr) {
    SetError(ERROR_INVALID_FORM_NAME);
    return FALSE;
  }
  if (!Fits(sizeof(FORM_INFO_1W) + Bytes(form->name), cbBuf, pcbNeeded)) return FALSE;
  auto *out = reinterpret_cast<FORM_INFO_1W *>(pForm);
  Packer pack{pForm, sizeof(FORM_INFO_1W)};
  out->Flags = form->flags;
  out->pName = pack.Put(form->name);
  out->Size = form->size;
  out->ImageableArea = form->imageableArea;
  return TRUE;
}

BOOL DeleteFormW(HANDLE hPrinter, LPWSTR pFormName) {
  if (Enter("DeleteFormW", Text(pFormName))) return FALSE;
  Printer *printer = PrinterOf(hPrinter);
  if (printer == nullptr) return FALSE;
  for (auto it = printer->forms.begin(); it != printer->forms.end(); ++it) {
    if (SameText(it->name, Text(pFormName))) {
      printer->forms.erase(it);
      return TRUE;
    }
  }
  SetError(ERROR_INVALID_FORM_NAME);
  return FALSE;
}

BOOL AddFormW(HANDLE hPrinter, DWORD Level, LPBYTE pForm) {
  const auto *in = reinterpret_cast<const FORM_INFO_1W *>(pForm);
  if (Enter("AddFormW", in != nullptr ? Text(in->pName) : L"")) return FALSE;
  if (Level != 1) ADD_FAILURE() << "AddFormW asked for level " << Level;
  Printer *printer = PrinterOf(hPrinter);
  if (printer == nullptr) return FALSE;
  if (in == nullptr || in->pName == nullptr || in->pName[0] == L'\0' || in->Size.cx <= 0 ||
      in->Size.cy <= 0) {
    SetError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (FindForm(*printer, in->pName) != nullptr) {
    SetError(ERROR_FILE_EXISTS);
    return FALSE;
  }
  printer->forms.push_back(Form{in->pName, in->Flags, in->Size, in->ImageableArea});
  return TRUE;
}

BOOL GetPrintProcessorDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                 LPBYTE pPrintProcessorInfo, DWORD cbBuf, LPDWORD pcbNeeded) {
  if (Enter("GetPrintProcessorDirectoryW")) return FALSE;
  ExpectLocal("GetPrintProcessorDirectoryW", pName, pEnvironment);
  if (Level != 1) ADD_FAILURE() << "GetPrintProcessorDirectoryW asked for level " << Level;
  if (SpoolerDown()) return FALSE;
  const std::wstring &dir = spooler().processorDirectory;
  if (!Fits(Bytes(dir), cbBuf, pcbNeeded)) return FALSE;
  std::memcpy(pPrintProcessorInfo, dir.c_str(), Bytes(dir));
  return TRUE;
}

BOOL AddPrintProcessorW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pPathName,
                        LPWSTR pPrintProcessorName) {
  if (Enter("AddPrintProcessorW", Text(pPrintProcessorName))) return FALSE;
  ExpectLocal("AddPrintProcessorW", pName, pEnvironment);
  if (SpoolerDown()) return FALSE;
  const std::wstring dll = Text(pPathName);
  if (dll.find(L'\\') != std::wstring::npos) {
    ADD_FAILURE() << "AddPrintProcessorW given a path rather than a file name";
  }
  if (!FileExists(spooler().processorDirectory + L"\\" + dll)) {
    SetError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  for (const Processor &p : spooler().processors) {
    if (SameText(p.name, Text(pPrintProcessorName))) {
      SetError(ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED);
      return FALSE;
    }
  }
  spooler().processors.push_back(Processor{Text(pPrintProcessorName), dll});
  return TRUE;
}

BOOL DeletePrintProcessorW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pPrintProcessorName) {
  if (Enter("DeletePrintProcessorW", Text(pPrintProcessorName))) return FALSE;
  ExpectLocal("DeletePrintProcessorW", pName, pEnvironment);
  if (SpoolerDown()) return FALSE;
  auto &list = spooler().processors;
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (SameText(it->name, Text(pPrintProcessorName))) {
      list.erase(it);
      return TRUE;
    }
  }
  SetError(ERROR_UNKNOWN_PRINTPROCESSOR);
  return FALSE;
}

}  // namespace os
