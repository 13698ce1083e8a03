#include "spooler_lists.h"

#include <functional>

#include <windows.h>
#include <winspool.h>

namespace e2e {
namespace {

using EnumCall = std::function<BOOL(BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD* pcReturned)>;

// Size query, then fetch; a list that grew between the two calls is fetched
// again with the new size, a few times at most.
bool FetchBlock(const EnumCall& call, std::vector<BYTE>* pBlock, DWORD* pCount,
                unsigned long* pError) {
    pBlock->clear();
    for (int attempt = 0; attempt < 5; ++attempt) {
        DWORD cbNeeded = 0;
        DWORD cReturned = 0;
        BYTE* pBuf = pBlock->empty() ? nullptr : pBlock->data();
        if (call(pBuf, static_cast<DWORD>(pBlock->size()), &cbNeeded, &cReturned)) {
            *pCount = cReturned;
            return true;
        }
        DWORD dwError = GetLastError();
        if (dwError != ERROR_INSUFFICIENT_BUFFER || cbNeeded <= pBlock->size()) {
            *pError = dwError;
            return false;
        }
        pBlock->assign(cbNeeded, 0);
    }
    *pError = ERROR_INSUFFICIENT_BUFFER;
    return false;
}

std::wstring Text(const wchar_t* p) { return p != nullptr ? std::wstring(p) : std::wstring(); }

std::vector<std::wstring> MultiText(const wchar_t* p) {
    std::vector<std::wstring> items;
    for (; p != nullptr && *p != L'\0'; p += wcslen(p) + 1) items.push_back(p);
    return items;
}

bool FetchDirectory(const EnumCall& call, std::wstring* pDirectory, unsigned long* pError) {
    std::vector<BYTE> block;
    DWORD unused = 0;
    if (!FetchBlock(call, &block, &unused, pError)) return false;
    const wchar_t* p = block.empty() ? nullptr : reinterpret_cast<const wchar_t*>(block.data());
    std::wstring directory = p != nullptr ? std::wstring(p, wcsnlen(p, block.size() / 2)) : L"";
    *pDirectory = directory;
    return true;
}

}  // namespace

bool ListLocalPrinters(std::vector<PrinterRow>* pRows, unsigned long* pError) {
    std::vector<BYTE> block;
    DWORD count = 0;
    EnumCall call = [](BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD* pcReturned) {
        return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, pBuf, cbBuf, pcbNeeded, pcReturned);
    };
    if (!FetchBlock(call, &block, &count, pError)) return false;
    pRows->clear();
    auto* pInfo = reinterpret_cast<const PRINTER_INFO_2W*>(block.data());
    for (DWORD i = 0; i < count; ++i) {
        pRows->push_back({Text(pInfo[i].pPrinterName), Text(pInfo[i].pDriverName),
                          Text(pInfo[i].pPortName), Text(pInfo[i].pPrintProcessor),
                          Text(pInfo[i].pDatatype)});
    }
    return true;
}

bool ListDrivers(std::vector<DriverRow>* pRows, unsigned long* pError) {
    std::vector<BYTE> block;
    DWORD count = 0;
    EnumCall call = [](BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD* pcReturned) {
        return EnumPrinterDriversW(nullptr, nullptr, 3, pBuf, cbBuf, pcbNeeded, pcReturned);
    };
    if (!FetchBlock(call, &block, &count, pError)) return false;
    pRows->clear();
    auto* pInfo = reinterpret_cast<const DRIVER_INFO_3W*>(block.data());
    for (DWORD i = 0; i < count; ++i) {
        pRows->push_back({Text(pInfo[i].pName), Text(pInfo[i].pEnvironment),
                          Text(pInfo[i].pDriverPath), Text(pInfo[i].pConfigFile),
                          Text(pInfo[i].pDataFile), Text(pInfo[i].pHelpFile),
                          MultiText(pInfo[i].pDependentFiles)});
    }
    return true;
}

bool ListPorts(std::vector<PortRow>* pRows, unsigned long* pError) {
    std::vector<BYTE> block;
    DWORD count = 0;
    EnumCall call = [](BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD* pcReturned) {
        return EnumPortsW(nullptr, 2, pBuf, cbBuf, pcbNeeded, pcReturned);
    };
    if (!FetchBlock(call, &block, &count, pError)) return false;
    pRows->clear();
    auto* pInfo = reinterpret_cast<const PORT_INFO_2W*>(block.data());
    for (DWORD i = 0; i < count; ++i) {
        pRows->push_back({Text(pInfo[i].pPortName), Text(pInfo[i].pMonitorName)});
    }
    return true;
}

bool ListPrintProcessors(std::vector<std::wstring>* pNames, unsigned long* pError) {
    std::vector<BYTE> block;
    DWORD count = 0;
    EnumCall call = [](BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD* pcReturned) {
        return EnumPrintProcessorsW(nullptr, nullptr, 1, pBuf, cbBuf, pcbNeeded, pcReturned);
    };
    if (!FetchBlock(call, &block, &count, pError)) return false;
    pNames->clear();
    auto* pInfo = reinterpret_cast<const PRINTPROCESSOR_INFO_1W*>(block.data());
    for (DWORD i = 0; i < count; ++i) pNames->push_back(Text(pInfo[i].pName));
    return true;
}

bool GetProcessorDirectory(std::wstring* pDirectory, unsigned long* pError) {
    return FetchDirectory(
        [](BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD*) {
            return GetPrintProcessorDirectoryW(nullptr, nullptr, 1, pBuf, cbBuf, pcbNeeded);
        },
        pDirectory, pError);
}

bool GetDriverDirectory(std::wstring* pDirectory, unsigned long* pError) {
    return FetchDirectory(
        [](BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD*) {
            return GetPrinterDriverDirectoryW(nullptr, nullptr, 1, pBuf, cbBuf, pcbNeeded);
        },
        pDirectory, pError);
}

bool ListFiles(const std::wstring& directory, std::vector<std::wstring>* pNames,
               unsigned long* pError) {
    pNames->clear();
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW((directory + L"\\*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE) {
        DWORD dwError = GetLastError();
        if (dwError == ERROR_FILE_NOT_FOUND) return true;  // an empty directory
        *pError = dwError;
        return false;
    }
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            pNames->push_back(data.cFileName);
        }
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
    return true;
}

}  // namespace e2e
