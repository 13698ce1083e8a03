// Snapshots of the local print system as plain records, read through the
// spooler API with the two-call size/fetch pattern.
#pragma once

#include <string>
#include <vector>

namespace e2e {

struct PrinterRow {
    std::wstring name;
    std::wstring driver;
    std::wstring port;
    std::wstring printProcessor;
    std::wstring datatype;
};

struct DriverRow {
    std::wstring name;
    std::wstring environment;
    std::wstring driverPath;
    std::wstring configFile;
    std::wstring dataFile;
    std::wstring helpFile;
    std::vector<std::wstring> dependentFiles;
};

struct PortRow {
    std::wstring name;
    std::wstring monitor;
};

// Each returns false and the Win32 error in *pError when the spooler fails.
bool ListLocalPrinters(std::vector<PrinterRow>* pRows, unsigned long* pError);
bool ListDrivers(std::vector<DriverRow>* pRows, unsigned long* pError);
bool ListPorts(std::vector<PortRow>* pRows, unsigned long* pError);
bool ListPrintProcessors(std::vector<std::wstring>* pNames, unsigned long* pError);
bool GetProcessorDirectory(std::wstring* pDirectory, unsigned long* pError);
bool GetDriverDirectory(std::wstring* pDirectory, unsigned long* pError);

// Plain file names in directory (no subdirectories), in no particular order.
bool ListFiles(const std::wstring& directory, std::vector<std::wstring>* pNames,
               unsigned long* pError);

}  // namespace e2e
