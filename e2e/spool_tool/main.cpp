// Small spooler operations for setting up and probing Wine test prefixes:
//
//   spool_tool add-processor NAME DLL     AddPrintProcessorW (DLL already in
//                                         the print processor directory)
//   spool_tool delete-processor NAME      DeletePrintProcessorW
//   spool_tool add-port NAME              "Local Port" XcvData AddPort (no dialog)
//   spool_tool delete-port NAME           "Local Port" XcvData DeletePort
//   spool_tool set-processor PRINTER NAME SetPrinterW level 2 with a new processor
//   spool_tool print-raw PRINTER FILE     one RAW job with FILE's bytes
//   spool_tool list-printers              "NAME<TAB>DRIVER<TAB>PROCESSOR" per
//                                         local printer, in the spooler's
//                                         enumeration order (not sorted)
//
// Exit code 0 on success, 1 on failure (reason and Win32 error on stderr),
// 2 on a bad command line.
#include <string>
#include <vector>

#include <windows.h>
#include <winspool.h>

#include "../common/spooler_lists.h"
#include "../common/wide_text.h"

namespace {

using Args = std::vector<std::wstring>;

int Failed(const std::wstring& what) {
    DWORD dwError = GetLastError();
    e2e::WriteUtf8(GetStdHandle(STD_ERROR_HANDLE),
                   L"spool_tool: " + what + L" failed (error " + std::to_wstring(dwError) + L")\n");
    return 1;
}

wchar_t* W(const std::wstring& text) { return const_cast<wchar_t*>(text.c_str()); }

int AddProcessor(const Args& a) {
    if (!AddPrintProcessorW(nullptr, nullptr, W(a[1]), W(a[0]))) return Failed(L"AddPrintProcessorW");
    return 0;
}

int DeleteProcessor(const Args& a) {
    if (!DeletePrintProcessorW(nullptr, nullptr, W(a[0]))) return Failed(L"DeletePrintProcessorW");
    return 0;
}

// Talks to the "Local Port" monitor through XcvData, which needs no window.
int LocalPortCommand(const wchar_t* pCommand, const std::wstring& port) {
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    HANDLE hXcv = nullptr;
    if (!OpenPrinterW(W(L",XcvMonitor Local Port"), &hXcv, &defaults)) {
        return Failed(L"OpenPrinterW(,XcvMonitor Local Port)");
    }
    DWORD cbOutput = 0;
    DWORD dwStatus = ERROR_SUCCESS;
    BOOL bOk = XcvDataW(hXcv, pCommand, reinterpret_cast<BYTE*>(W(port)),
                        static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)), nullptr, 0,
                        &cbOutput, &dwStatus);
    DWORD dwError = bOk ? dwStatus : GetLastError();
    ClosePrinter(hXcv);
    SetLastError(dwError);
    if (!bOk || dwStatus != ERROR_SUCCESS) return Failed(std::wstring(L"XcvDataW ") + pCommand);
    return 0;
}

int SetProcessor(const Args& a) {
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE hPrinter = nullptr;
    if (!OpenPrinterW(W(a[0]), &hPrinter, &defaults)) return Failed(L"OpenPrinterW");
    DWORD cbNeeded = 0;
    GetPrinterW(hPrinter, 2, nullptr, 0, &cbNeeded);
    std::vector<BYTE> block(cbNeeded);
    int rc = 0;
    if (cbNeeded == 0 || !GetPrinterW(hPrinter, 2, block.data(), cbNeeded, &cbNeeded)) {
        rc = Failed(L"GetPrinterW");
    } else {
        auto* pInfo = reinterpret_cast<PRINTER_INFO_2W*>(block.data());
        pInfo->pPrintProcessor = W(a[1]);
        if (!SetPrinterW(hPrinter, 2, block.data(), 0)) rc = Failed(L"SetPrinterW");
    }
    ClosePrinter(hPrinter);
    return rc;
}

int PrintRaw(const Args& a) {
    std::string bytes;
    if (!e2e::ReadWholeFile(a[1], &bytes)) return Failed(L"reading " + a[1]);
    HANDLE hPrinter = nullptr;
    if (!OpenPrinterW(W(a[0]), &hPrinter, nullptr)) return Failed(L"OpenPrinterW");
    DOC_INFO_1W doc = {W(L"spool_tool raw job"), nullptr, W(L"RAW")};
    int rc = 0;
    if (StartDocPrinterW(hPrinter, 1, reinterpret_cast<BYTE*>(&doc)) == 0) {
        rc = Failed(L"StartDocPrinterW");
    } else {
        DWORD cbWritten = 0;
        if (!bytes.empty() &&
            (!WritePrinter(hPrinter, &bytes[0], static_cast<DWORD>(bytes.size()), &cbWritten) ||
             cbWritten != bytes.size())) {
            rc = Failed(L"WritePrinter");
        }
        if (!EndDocPrinter(hPrinter) && rc == 0) rc = Failed(L"EndDocPrinter");
    }
    ClosePrinter(hPrinter);
    return rc;
}

int ListPrinters(const Args&) {
    std::vector<e2e::PrinterRow> rows;
    unsigned long error = 0;
    if (!e2e::ListLocalPrinters(&rows, &error)) {
        SetLastError(error);
        return Failed(L"EnumPrintersW");
    }
    std::wstring text;
    for (const e2e::PrinterRow& row : rows) {
        text += row.name + L"\t" + row.driver + L"\t" + row.printProcessor + L"\n";
    }
    return e2e::WriteUtf8(GetStdHandle(STD_OUTPUT_HANDLE), text) ? 0 : 1;
}

struct Command {
    const wchar_t* name;
    size_t argCount;
    int (*run)(const Args&);
};

const Command kCommands[] = {
    {L"add-processor", 2, AddProcessor},
    {L"delete-processor", 1, DeleteProcessor},
    {L"add-port", 1, [](const Args& a) { return LocalPortCommand(L"AddPort", a[0]); }},
    {L"delete-port", 1, [](const Args& a) { return LocalPortCommand(L"DeletePort", a[0]); }},
    {L"set-processor", 2, SetProcessor},
    {L"print-raw", 2, PrintRaw},
    {L"list-printers", 0, ListPrinters},
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2) {
        Args args(argv + 2, argv + argc);
        for (const Command& command : kCommands) {
            if (argv[1] == std::wstring(command.name) && args.size() == command.argCount) {
                return command.run(args);
            }
        }
    }
    e2e::WriteUtf8(GetStdHandle(STD_ERROR_HANDLE),
                   L"usage: spool_tool add-processor NAME DLL | delete-processor NAME | "
                   L"add-port NAME | delete-port NAME | set-processor PRINTER NAME | "
                   L"print-raw PRINTER FILE | list-printers\n");
    return 2;
}
