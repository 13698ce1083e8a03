// Starts command lines exactly as written, the way the installer starts its
// rundll32 children, so a test can drive the stand-in without a shell or
// Wine re-quoting the arguments.
//
//   spawn.exe FILE   FILE holds UTF-8 command lines, one per line.
//
// Each line runs to its end before the next starts (CreateProcessW with
// handle inheritance, waits on the process); "exit=<code><TAB><line>" is
// printed for each. Exit code: 0 when every child exited 0, 1 otherwise,
// 2 when FILE cannot be read.
#include <string>
#include <vector>

#include <windows.h>

#include "../common/wide_text.h"

namespace {

std::vector<std::wstring> NonBlankLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (line.find_first_not_of(L" \t") != std::wstring::npos) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Returns the child's exit code, or -1 when it could not be started.
long RunAndWait(std::wstring commandLine) {
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &si, &pi)) {
        return -1;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD dwExitCode = 0;
    GetExitCodeProcess(pi.hProcess, &dwExitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<long>(dwExitCode);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::string bytes;
    if (argc != 2 || !e2e::ReadWholeFile(argv[1], &bytes)) {
        e2e::WriteUtf8(GetStdHandle(STD_ERROR_HANDLE), L"usage: spawn.exe FILE-OF-COMMAND-LINES\n");
        return 2;
    }
    HANDLE hOut = GetStdHandle(STD_OUTPUT_HANDLE);
    bool allZero = true;
    for (const std::wstring& line : NonBlankLines(e2e::DecodeTextFile(bytes))) {
        long code = RunAndWait(line);
        allZero = allZero && code == 0;
        e2e::WriteUtf8(hOut, L"exit=" + std::to_wstring(code) + L"\t" + line + L"\n");
    }
    return allZero ? 0 : 1;
}
