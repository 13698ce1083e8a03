#include "printui_actions.h"

#include <memory>
#include <vector>

#include <windows.h>
#include <winspool.h>

#include "../common/spooler_lists.h"
#include "../common/wide_text.h"
#include "inf_reader.h"

namespace e2e {
namespace {

#ifdef _WIN64
const wchar_t kPlatform[] = L"amd64";
#else
const wchar_t kPlatform[] = L"x86";
#endif
const wchar_t kPrintProcessor[] = L"WinPrint";

struct PrinterCloser {
    void operator()(HANDLE h) const { ClosePrinter(h); }
};
using UniquePrinter = std::unique_ptr<void, PrinterCloser>;

ActionResult Fail(const std::wstring& what, unsigned long error) {
    ActionResult result;
    result.lastError = error;
    result.message = what + L" (error " + std::to_wstring(error) + L")";
    return result;
}

ActionResult Success() {
    ActionResult result;
    result.ok = true;
    return result;
}

bool DriverExists(const std::wstring& model, unsigned long* pError) {
    std::vector<DriverRow> drivers;
    if (!ListDrivers(&drivers, pError)) return false;
    for (const DriverRow& driver : drivers) {
        if (EqualsNoCase(driver.name, model)) return true;
    }
    *pError = ERROR_UNKNOWN_PRINTER_DRIVER;
    return false;
}

bool PortExists(const std::wstring& port, unsigned long* pError) {
    std::vector<PortRow> ports;
    if (!ListPorts(&ports, pError)) return false;
    for (const PortRow& row : ports) {
        if (EqualsNoCase(row.name, port)) return true;
    }
    *pError = ERROR_UNKNOWN_PORT;
    return false;
}

// Full path of the INF and its directory with a trailing backslash.
bool ResolveInf(const std::wstring& infPath, std::wstring* pFull, std::wstring* pDir) {
    wchar_t full[MAX_PATH * 2];
    wchar_t* pFilePart = nullptr;
    DWORD cch = GetFullPathNameW(infPath.c_str(), MAX_PATH * 2, full, &pFilePart);
    if (cch == 0 || cch >= MAX_PATH * 2 || pFilePart == nullptr) return false;
    *pFull = full;
    *pDir = std::wstring(full, pFilePart);
    return true;
}

std::vector<std::wstring> PackageFiles(const PrinterDriverFiles& files) {
    std::vector<std::wstring> all = {files.driverFile, files.configFile, files.dataFile};
    if (!files.helpFile.empty()) all.push_back(files.helpFile);
    all.insert(all.end(), files.dependentFiles.begin(), files.dependentFiles.end());
    return all;
}

// Copies the package files into the driver directory, where AddPrinterDriverEx
// expects them without APD_COPY_FROM_DIRECTORY.
ActionResult CopyToDriverDirectory(const std::wstring& sourceDir,
                                   const std::vector<std::wstring>& names,
                                   const std::wstring& driverDir) {
    for (const std::wstring& name : names) {
        std::wstring source = sourceDir + name;
        if (GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES) {
            DWORD dwError = GetLastError();
            return Fail(L"package file missing: " + source, dwError);
        }
        if (!CopyFileW(source.c_str(), (driverDir + L"\\" + name).c_str(), FALSE)) {
            DWORD dwError = GetLastError();
            return Fail(L"cannot copy " + source + L" to " + driverDir, dwError);
        }
    }
    return Success();
}

ActionResult AddDriver(const std::wstring& model, const PrinterDriverFiles& files,
                       const std::wstring& driverDir) {
    std::wstring driverPath = driverDir + L"\\" + files.driverFile;
    std::wstring configPath = driverDir + L"\\" + files.configFile;
    std::wstring dataPath = driverDir + L"\\" + files.dataFile;
    std::wstring helpPath = files.helpFile.empty() ? L"" : driverDir + L"\\" + files.helpFile;
    std::wstring dependents;  // REG_MULTI_SZ form: each name NUL-terminated, one more NUL
    for (const std::wstring& name : files.dependentFiles) dependents += name + L'\0';
    dependents += L'\0';

    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = const_cast<wchar_t*>(model.c_str());
    info.pDriverPath = &driverPath[0];
    info.pConfigFile = &configPath[0];
    info.pDataFile = &dataPath[0];
    info.pHelpFile = helpPath.empty() ? nullptr : &helpPath[0];
    info.pDependentFiles = files.dependentFiles.empty() ? nullptr : &dependents[0];
    info.pDefaultDataType =
        files.defaultDataType.empty() ? nullptr : const_cast<wchar_t*>(files.defaultDataType.c_str());
    if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_ALL_FILES)) {
        DWORD dwError = GetLastError();
        return Fail(L"AddPrinterDriverExW failed for " + model, dwError);
    }
    return Success();
}

bool PrinterExists(const std::wstring& name, unsigned long* pError) {
    std::vector<PrinterRow> printers;
    if (!ListLocalPrinters(&printers, pError)) return true;  // unknown: do not add blindly
    for (const PrinterRow& printer : printers) {
        if (EqualsNoCase(printer.name, name)) return true;
    }
    return false;
}

// Windows refuses an unknown port and a name that exists; Wine's AddPrinterW
// accepts an existing name, so both checks are made here.
ActionResult AddPrinterOnPort(const PrintUiRequest& request) {
    unsigned long error = 0;
    if (!PortExists(request.port, &error)) return Fail(L"no such port: " + request.port, error);
    if (PrinterExists(request.baseName, &error)) {
        return Fail(L"printer exists: " + request.baseName,
                    error != 0 ? error : ERROR_PRINTER_ALREADY_EXISTS);
    }
    std::wstring name = request.baseName;
    std::wstring port = request.port;
    std::wstring driver = request.model;
    std::wstring processor = kPrintProcessor;
    std::wstring datatype = L"RAW";
    PRINTER_INFO_2W info = {};
    info.pPrinterName = &name[0];
    info.pPortName = &port[0];
    info.pDriverName = &driver[0];
    info.pPrintProcessor = &processor[0];
    info.pDatatype = &datatype[0];
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    UniquePrinter hPrinter(AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
    if (!hPrinter) {
        DWORD dwError = GetLastError();
        return Fail(L"AddPrinterW failed for " + name, dwError);
    }
    return Success();
}

}  // namespace

ActionResult DeletePrinterByName(const std::wstring& printerName) {
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE hRaw = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(printerName.c_str()), &hRaw, &defaults)) {
        DWORD dwError = GetLastError();
        return Fail(L"OpenPrinterW failed for " + printerName, dwError);
    }
    UniquePrinter hPrinter(hRaw);
    if (!DeletePrinter(hPrinter.get())) {
        DWORD dwError = GetLastError();
        return Fail(L"DeletePrinter failed for " + printerName, dwError);
    }
    return Success();
}

ActionResult DeleteDriverOfModel(const std::wstring& model) {
    unsigned long error = 0;
    if (!DriverExists(model, &error)) return Fail(L"no such driver: " + model, error);
    std::vector<PrinterRow> printers;
    if (!ListLocalPrinters(&printers, &error)) return Fail(L"EnumPrintersW failed", error);
    for (const PrinterRow& printer : printers) {
        if (EqualsNoCase(printer.driver, model)) {
            return Fail(L"driver in use by " + printer.name, ERROR_PRINTER_DRIVER_IN_USE);
        }
    }
    // No delete flags: Wine refuses every flag with ERROR_INVALID_PARAMETER.
    if (!DeletePrinterDriverExW(nullptr, nullptr, const_cast<wchar_t*>(model.c_str()), 0, 0)) {
        DWORD dwError = GetLastError();
        return Fail(L"DeletePrinterDriverExW failed for " + model, dwError);
    }
    return Success();
}

ActionResult InstallPrinterFromInf(const PrintUiRequest& request) {
    std::wstring infFull;
    std::wstring infDir;
    if (!ResolveInf(request.infPath, &infFull, &infDir)) {
        DWORD dwError = GetLastError();
        return Fail(L"bad INF path: " + request.infPath, dwError);
    }
    std::string bytes;
    if (!ReadWholeFile(infFull, &bytes)) {
        DWORD dwError = GetLastError();
        return Fail(L"cannot read INF " + infFull, dwError);
    }
    PrinterDriverFiles files =
        FindModelDriverFiles(ParseInf(DecodeTextFile(bytes)), request.model, kPlatform);
    if (!files.ok) return Fail(files.error + L" in " + infFull, ERROR_INVALID_PARAMETER);

    std::wstring driverDir;
    unsigned long error = 0;
    if (!GetDriverDirectory(&driverDir, &error)) {
        return Fail(L"GetPrinterDriverDirectoryW failed", error);
    }
    ActionResult copied = CopyToDriverDirectory(infDir, PackageFiles(files), driverDir);
    if (!copied.ok) return copied;
    ActionResult added = AddDriver(request.model, files, driverDir);
    // The spooler has taken its copies into the versioned subdirectory; the
    // staged ones would only linger (Windows moves them, Wine copies them).
    for (const std::wstring& name : PackageFiles(files)) {
        DeleteFileW((driverDir + L"\\" + name).c_str());
    }
    if (!added.ok) return added;
    return AddPrinterOnPort(request);
}

ActionResult RunRequest(const PrintUiRequest& request) {
    switch (request.action) {
        case PrintUiAction::kDeletePrinter: return DeletePrinterByName(request.printerName);
        case PrintUiAction::kDeleteDriver: return DeleteDriverOfModel(request.model);
        case PrintUiAction::kInstallPrinter: return InstallPrinterFromInf(request);
        case PrintUiAction::kNone: break;
    }
    return Fail(L"no action", ERROR_INVALID_PARAMETER);
}

}  // namespace e2e
