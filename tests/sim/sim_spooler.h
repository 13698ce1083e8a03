// The simulated print spooler: local printers with their level-2 fields, ports, print
// processors, per-printer forms and the print processor directory.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace sim {

struct Form {
  std::wstring name;
  DWORD flags = 0;
  SIZEL size = {0, 0};
  RECTL imageableArea = {0, 0, 0, 0};
};

struct Printer {
  std::wstring name;
  std::wstring driver;
  std::wstring port = L"LPT1:";
  std::wstring processor = L"WinPrint";
  std::wstring shareName;
  std::wstring comment;
  std::wstring location;
  std::wstring sepFile;
  std::wstring datatype = L"RAW";
  std::wstring parameters;
  DWORD attributes = PRINTER_ATTRIBUTE_LOCAL;
  DWORD priority = 1;
  DWORD defaultPriority = 0;
  DWORD startTime = 0;
  DWORD untilTime = 0;
  DWORD status = 0;
  DWORD averagePPM = 0;
  std::vector<Form> forms;
};

struct Processor {
  std::wstring name;
  std::wstring dll;
};

struct Spooler {
  std::vector<Printer> printers;  // in enumeration order
  std::vector<std::wstring> ports = {L"LPT1:", L"COM1:", L"FILE:"};
  std::vector<Processor> processors = {{L"WinPrint", L"winprint.dll"}};
  std::wstring processorDirectory = L"C:\\Windows\\system32\\spool\\prtprocs\\x64";
  // Called after every EnumPrintersW, e.g. to add a printer between size query and fetch.
  std::function<void()> afterEnumPrinters;
};

// The spooler of the current machine; Reset() restores the defaults above.
Spooler &spooler();

Printer *FindPrinter(const std::wstring &name);
Printer &AddPrinter(const std::wstring &name, const std::wstring &driver,
                    const std::wstring &processor = L"WinPrint");
bool HasPort(const std::wstring &name);
bool HasProcessor(const std::wstring &name);  // exact, case included
const Form *FindForm(const Printer &printer, const std::wstring &name);

// Whether the spooler answers: false while the "spooler" service is not running.
bool SpoolerAvailable();

}  // namespace sim
