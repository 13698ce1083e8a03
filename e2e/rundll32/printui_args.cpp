#include "printui_args.h"

#include <cwctype>

namespace e2e {
namespace {

bool SameNoCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != L'\0'; ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return i == a.size() && b[i] == L'\0';
}

PrintUiRequest Refuse(const std::wstring& why) {
    PrintUiRequest request;
    request.error = why;
    return request;
}

// Finds where the options start: after the entry point, which may be glued
// to "printui.dll," or stand alone after a blank. Returns 0 when malformed.
size_t OptionsStart(const std::vector<std::wstring>& argv, std::wstring* pError) {
    static const wchar_t kDll[] = L"printui.dll,";
    const size_t cchDll = sizeof(kDll) / sizeof(kDll[0]) - 1;
    if (argv.size() < 2 || argv[1].size() < cchDll ||
        !SameNoCase(argv[1].substr(0, cchDll), kDll)) {
        *pError = L"first argument is not printui.dll,<entry>";
        return 0;
    }
    std::wstring entry = argv[1].substr(cchDll);
    size_t next = 2;
    if (entry.empty() && argv.size() > 2) entry = argv[next++];
    if (!SameNoCase(entry, L"PrintUIEntry")) {
        *pError = L"entry point is not PrintUIEntry: " + entry;
        return 0;
    }
    return next;
}

// A repeated option must repeat its value; printui's own driver-removal
// command names /m twice.
bool TakeValue(const std::wstring& option, const std::wstring& value, std::wstring* pSlot,
               std::wstring* pError) {
    if (!pSlot->empty() && *pSlot != value) {
        *pError = option + L" given twice with different values";
        return false;
    }
    *pSlot = value;
    return true;
}

bool SetAction(PrintUiAction action, PrintUiRequest* pRequest, std::wstring* pError) {
    if (pRequest->action != PrintUiAction::kNone && pRequest->action != action) {
        *pError = L"more than one of /dl, /dd, /if";
        return false;
    }
    pRequest->action = action;
    return true;
}

std::wstring MissingFor(const PrintUiRequest& r) {
    switch (r.action) {
        case PrintUiAction::kNone: return L"no action (/dl, /dd or /if)";
        case PrintUiAction::kDeletePrinter: return r.printerName.empty() ? L"/dl needs /n" : L"";
        case PrintUiAction::kDeleteDriver: return r.model.empty() ? L"/dd needs /m" : L"";
        case PrintUiAction::kInstallPrinter:
            if (r.baseName.empty()) return L"/if needs /b";
            if (r.infPath.empty()) return L"/if needs /f";
            if (r.port.empty()) return L"/if needs /r";
            if (r.model.empty()) return L"/if needs /m";
            return L"";
    }
    return L"";
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
    std::vector<std::wstring> args;
    size_t i = 0;
    const size_t n = commandLine.size();
    while (true) {
        while (i < n && (commandLine[i] == L' ' || commandLine[i] == L'\t')) ++i;
        if (i >= n) break;
        std::wstring arg;
        bool inQuotes = false;
        while (i < n && (inQuotes || (commandLine[i] != L' ' && commandLine[i] != L'\t'))) {
            size_t backslashes = 0;
            while (i < n && commandLine[i] == L'\\') { ++backslashes; ++i; }
            if (i < n && commandLine[i] == L'"') {
                arg.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    arg += L'"';
                } else if (inQuotes && i + 1 < n && commandLine[i + 1] == L'"') {
                    arg += L'"';  // "" inside quotes is a literal quote
                    ++i;
                } else {
                    inQuotes = !inQuotes;
                }
                ++i;
            } else {
                arg.append(backslashes, L'\\');
                if (i < n && backslashes == 0) arg += commandLine[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

PrintUiRequest ParsePrintUiArgs(const std::vector<std::wstring>& argv) {
    std::wstring error;
    size_t i = OptionsStart(argv, &error);
    if (i == 0) return Refuse(error);

    PrintUiRequest request;
    for (; i < argv.size(); ++i) {
        const std::wstring& option = argv[i];
        std::wstring* pSlot = nullptr;
        if (SameNoCase(option, L"/dl")) {
            if (!SetAction(PrintUiAction::kDeletePrinter, &request, &error)) return Refuse(error);
        } else if (SameNoCase(option, L"/dd")) {
            if (!SetAction(PrintUiAction::kDeleteDriver, &request, &error)) return Refuse(error);
        } else if (SameNoCase(option, L"/if")) {
            if (!SetAction(PrintUiAction::kInstallPrinter, &request, &error)) return Refuse(error);
        } else if (SameNoCase(option, L"/q")) {
            request.quiet = true;
        } else if (SameNoCase(option, L"/n")) {
            pSlot = &request.printerName;
        } else if (SameNoCase(option, L"/b")) {
            pSlot = &request.baseName;
        } else if (SameNoCase(option, L"/f")) {
            pSlot = &request.infPath;
        } else if (SameNoCase(option, L"/r")) {
            pSlot = &request.port;
        } else if (SameNoCase(option, L"/m")) {
            pSlot = &request.model;
        } else {
            return Refuse(L"unknown option: " + option);
        }
        if (pSlot == nullptr) continue;
        if (i + 1 >= argv.size() || argv[i + 1].empty()) return Refuse(option + L" needs a value");
        if (!TakeValue(option, argv[++i], pSlot, &error)) return Refuse(error);
    }
    error = MissingFor(request);
    if (!error.empty()) return Refuse(error);
    request.ok = true;
    return request;
}

}  // namespace e2e
