// Runs one program the way a user starts the installer and reports what the
// run looked like from outside, so tests and the benchmark can judge it
// without touching the program:
//
//   run_watch.exe [--windows] FILE   FILE holds one UTF-8 command line.
//
// The program runs in a job object, so every process it starts (and theirs)
// is counted, and whatever is still alive when it ends is seen. Output,
// UTF-8, one "key<TAB>value..." record a line:
//
//   pid        <decimal>            the program's process id
//   exit       <code>
//   wall_ms    <ms>                 creation to exit (GetProcessTimes)
//   cpu_ms     <user+kernel> <user> <kernel>   the program's own CPU time
//   children   <n>                  processes started inside the job
//   remaining  <n>                  job processes alive 3 s after it ended
//   window     <owner> <class> <title> visible=<0|1> closed=<running|exit>
//
// --windows samples every top-level window of the job's processes every
// 2 ms while the program runs (EnumWindows sees the desktop's top-level
// windows of every process). owner is "program" or "child"; closed=running
// means a later sample, taken while the program still ran, no longer found
// it; closed=exit means it lived until the program ended. Without
// --windows nothing polls, so timing runs are not disturbed.
//
// Exit code: 0 when the program ran (its own code is in the "exit" record),
// 2 on a bad command line, 3 when it could not be started.
#include <map>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include "../common/wide_text.h"

namespace {

constexpr DWORD kSampleMs = 2;
constexpr DWORD kGraceMs = 3000;

struct WindowSeen {
    DWORD pid = 0;
    std::wstring className;
    std::wstring title;
    bool visible = false;
    bool closedWhileRunning = false;
};

struct Watch {
    HANDLE hJob = nullptr;
    HANDLE hPort = nullptr;
    DWORD programPid = 0;
    std::set<DWORD> pids;
    std::map<HWND, WindowSeen> windows;
    std::set<HWND> current;
    bool allProcessesGone = false;
};

double FileTimeMs(const FILETIME& ft) {
    ULARGE_INTEGER v;
    v.LowPart = ft.dwLowDateTime;
    v.HighPart = ft.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 10000.0;
}

std::wstring Ms(double ms) {
    wchar_t text[64];
    swprintf(text, 64, L"%.1f", ms);
    return text;
}

// Reads the job's notifications without blocking: new process ids join the
// watched set; the "no process left" message ends the grace wait.
void DrainJobMessages(Watch* pWatch, DWORD dwTimeoutMs) {
    DWORD dwMessage = 0;
    ULONG_PTR key = 0;
    LPOVERLAPPED pData = nullptr;
    while (GetQueuedCompletionStatus(pWatch->hPort, &dwMessage, &key, &pData, dwTimeoutMs)) {
        DWORD pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(pData));
        if (dwMessage == JOB_OBJECT_MSG_NEW_PROCESS) pWatch->pids.insert(pid);
        if (dwMessage == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) pWatch->allProcessesGone = true;
        dwTimeoutMs = 0;
    }
}

BOOL CALLBACK SampleWindow(HWND hwnd, LPARAM lParam) {
    auto* pWatch = reinterpret_cast<Watch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pWatch->pids.count(pid) == 0) return TRUE;
    WindowSeen& seen = pWatch->windows[hwnd];
    pWatch->current.insert(hwnd);
    seen.pid = pid;
    wchar_t text[256] = {};
    if (seen.className.empty() && GetClassNameW(hwnd, text, 256) > 0) seen.className = text;
    text[0] = L'\0';
    // Not GetWindowTextW: that sends WM_GETTEXT into the watched program's threads.
    if (InternalGetWindowText(hwnd, text, 256) > 0) seen.title = text;
    if (IsWindowVisible(hwnd)) seen.visible = true;
    return TRUE;
}

// One sample; windows seen before and missing now closed while it ran.
void SampleWindows(Watch* pWatch) {
    pWatch->current.clear();
    EnumWindows(SampleWindow, reinterpret_cast<LPARAM>(pWatch));
    for (auto& entry : pWatch->windows) {
        if (pWatch->current.count(entry.first) == 0) entry.second.closedWhileRunning = true;
    }
}

bool StartInJob(Watch* pWatch, std::wstring commandLine, PROCESS_INFORMATION* pPi) {
    pWatch->hJob = CreateJobObjectW(nullptr, nullptr);
    pWatch->hPort = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
    if (pWatch->hJob == nullptr || pWatch->hPort == nullptr) return false;
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT link = {pWatch->hJob, pWatch->hPort};
    SetInformationJobObject(pWatch->hJob, JobObjectAssociateCompletionPortInformation, &link,
                            sizeof(link));
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    // Suspended until it is in the job, so not even its first child escapes.
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &si, pPi)) {
        return false;
    }
    pWatch->programPid = pPi->dwProcessId;
    pWatch->pids.insert(pPi->dwProcessId);
    AssignProcessToJobObject(pWatch->hJob, pPi->hProcess);
    ResumeThread(pPi->hThread);
    return true;
}

std::wstring Field(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) out += (c == L'\t' || c == L'\n' || c == L'\r') ? L' ' : c;
    return out;
}

std::wstring Report(Watch* pWatch, const PROCESS_INFORMATION& pi) {
    DWORD dwExit = 0;
    GetExitCodeProcess(pi.hProcess, &dwExit);
    FILETIME created, exited, kernel, user;
    GetProcessTimes(pi.hProcess, &created, &exited, &kernel, &user);
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION acct = {};
    QueryInformationJobObject(pWatch->hJob, JobObjectBasicAccountingInformation, &acct,
                              sizeof(acct), nullptr);
    std::wstring out = L"pid\t" + std::to_wstring(pi.dwProcessId) + L"\n";
    out += L"exit\t" + std::to_wstring(dwExit) + L"\n";
    out += L"wall_ms\t" + Ms(FileTimeMs(exited) - FileTimeMs(created)) + L"\n";
    double userMs = FileTimeMs(user), kernelMs = FileTimeMs(kernel);
    out += L"cpu_ms\t" + Ms(userMs + kernelMs) + L"\t" + Ms(userMs) + L"\t" + Ms(kernelMs) + L"\n";
    DWORD nChildren = acct.TotalProcesses > 0 ? acct.TotalProcesses - 1 : 0;
    out += L"children\t" + std::to_wstring(nChildren) + L"\n";
    out += L"remaining\t" + std::to_wstring(pWatch->allProcessesGone ? 0 : acct.ActiveProcesses) +
           L"\n";
    for (const auto& entry : pWatch->windows) {
        const WindowSeen& w = entry.second;
        out += L"window\t" + std::wstring(w.pid == pWatch->programPid ? L"program" : L"child") +
               L"\t" + Field(w.className) + L"\t" + Field(w.title) + L"\tvisible=" +
               (w.visible ? L"1" : L"0") + L"\tclosed=" +
               (w.closedWhileRunning ? L"running" : L"exit") + L"\n";
    }
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bool watchWindows = argc == 3 && std::wstring(argv[1]) == L"--windows";
    std::string bytes;
    if ((argc != 2 && !watchWindows) || !e2e::ReadWholeFile(argv[argc - 1], &bytes)) {
        e2e::WriteUtf8(GetStdHandle(STD_ERROR_HANDLE), L"usage: run_watch.exe [--windows] FILE\n");
        return 2;
    }
    std::wstring commandLine = e2e::DecodeTextFile(bytes);
    while (!commandLine.empty() && (commandLine.back() == L'\n' || commandLine.back() == L'\r')) {
        commandLine.pop_back();
    }
    Watch watch;
    PROCESS_INFORMATION pi = {};
    if (!StartInJob(&watch, commandLine, &pi)) {
        e2e::WriteUtf8(GetStdHandle(STD_ERROR_HANDLE),
                       L"run_watch: cannot start " + commandLine + L" (error " +
                           std::to_wstring(GetLastError()) + L")\n");
        return 3;
    }
    for (;;) {
        DWORD dwWait = WaitForSingleObject(pi.hProcess, watchWindows ? kSampleMs : INFINITE);
        DrainJobMessages(&watch, 0);
        if (dwWait != WAIT_TIMEOUT) break;
        SampleWindows(&watch);
    }
    // Whatever the program started and left behind has this long to end.
    DWORD dwStart = GetTickCount();
    while (!watch.allProcessesGone && GetTickCount() - dwStart < kGraceMs) {
        DrainJobMessages(&watch, 50);
    }
    bool written = e2e::WriteUtf8(GetStdHandle(STD_OUTPUT_HANDLE), Report(&watch, pi));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return written ? 0 : 2;
}
