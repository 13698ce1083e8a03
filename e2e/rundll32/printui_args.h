// Reading a "rundll32.exe printui.dll,PrintUIEntry ..." argument list into
// one request record. Pure: no OS calls, so tests feed it tables of argv.
#pragma once

#include <string>
#include <vector>

namespace e2e {

enum class PrintUiAction { kNone, kDeletePrinter, kDeleteDriver, kInstallPrinter };

struct PrintUiRequest {
    bool ok = false;
    std::wstring error;  // why the arguments were refused, when !ok
    PrintUiAction action = PrintUiAction::kNone;
    std::wstring printerName;  // /n, the printer to act on (/dl)
    std::wstring baseName;     // /b, the name of the printer to create (/if)
    std::wstring infPath;      // /f
    std::wstring port;         // /r
    std::wstring model;        // /m
    bool quiet = false;        // /q
};

// Splits a Windows command line into arguments by the C runtime's rules
// (quotes group blanks; backslashes only escape a following quote).
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

// argv[0] is the program; argv[1] must be "printui.dll,PrintUIEntry" or
// "printui.dll," followed by argv[2] "PrintUIEntry"; the options follow.
PrintUiRequest ParsePrintUiArgs(const std::vector<std::wstring>& argv);

}  // namespace e2e
