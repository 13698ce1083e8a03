// Stand-in for rundll32.exe in Wine test prefixes: Wine's own rundll32 and
// printui do not carry out PrintUIEntry /dl, /dd or /if, so this program
// does the same work through the spooler API.
//
// Every command line it receives is appended, UTF-8, one per line, to the
// file named by %PRINTUI_STANDIN_LOG%, or C:\printui-log.txt when unset.
// Exit code: 0 done, 1 command line refused, 2 the spooler work failed.
// When %PRINTUI_STANDIN_RESULTS% names a file, "<exit code><TAB><command
// line>" is appended to it as well, so a test sees what each command did.
#include <string>

#include <windows.h>

#include "../common/wide_text.h"
#include "printui_actions.h"
#include "printui_args.h"

namespace {

const wchar_t kLogVariable[] = L"PRINTUI_STANDIN_LOG";
const wchar_t kDefaultLog[] = L"C:\\printui-log.txt";
const wchar_t kResultsVariable[] = L"PRINTUI_STANDIN_RESULTS";

// The variable's value, or empty when it is unset or too long.
std::wstring Variable(const wchar_t* pName) {
    wchar_t value[MAX_PATH * 2];
    DWORD cch = GetEnvironmentVariableW(pName, value, MAX_PATH * 2);
    if (cch == 0 || cch >= MAX_PATH * 2) return std::wstring();
    return value;
}

std::wstring LogPath() {
    std::wstring path = Variable(kLogVariable);
    return path.empty() ? kDefaultLog : path;
}

int Finish(const std::wstring& commandLine, int code) {
    std::wstring results = Variable(kResultsVariable);
    if (!results.empty()) e2e::AppendUtf8(results, std::to_wstring(code) + L"\t" + commandLine + L"\n");
    return code;
}

// Diagnostics go to an inherited stderr when there is one; a GUI parent
// usually gives none, and then they are simply dropped.
void Complain(const std::wstring& text) {
    e2e::WriteUtf8(GetStdHandle(STD_ERROR_HANDLE), L"rundll32 stand-in: " + text + L"\n");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring commandLine = GetCommandLineW();
    if (!e2e::AppendUtf8(LogPath(), commandLine + L"\n")) {
        Complain(L"cannot append to " + LogPath());
    }
    e2e::PrintUiRequest request = e2e::ParsePrintUiArgs(e2e::SplitCommandLine(commandLine));
    if (!request.ok) {
        Complain(request.error);
        return Finish(commandLine, 1);
    }
    e2e::ActionResult result = e2e::RunRequest(request);
    if (!result.ok) {
        Complain(result.message);
        return Finish(commandLine, 2);
    }
    return Finish(commandLine, 0);
}
