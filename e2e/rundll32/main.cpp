// Stand-in for rundll32.exe in Wine test prefixes: Wine's own rundll32 and
// printui do not carry out PrintUIEntry /dl, /dd or /if, so this program
// does the same work through the spooler API.
//
// Every command line it receives is appended, UTF-8, one per line, to the
// file named by %PRINTUI_STANDIN_LOG%, or C:\printui-log.txt when unset.
// Exit code: 0 done, 1 command line refused, 2 the spooler work failed.
#include <string>

#include <windows.h>

#include "../common/wide_text.h"
#include "printui_actions.h"
#include "printui_args.h"

namespace {

const wchar_t kLogVariable[] = L"PRINTUI_STANDIN_LOG";
const wchar_t kDefaultLog[] = L"C:\\printui-log.txt";

std::wstring LogPath() {
    wchar_t path[MAX_PATH * 2];
    DWORD cch = GetEnvironmentVariableW(kLogVariable, path, MAX_PATH * 2);
    if (cch == 0 || cch >= MAX_PATH * 2) return kDefaultLog;
    return path;
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
        return 1;
    }
    e2e::ActionResult result = e2e::RunRequest(request);
    if (!result.ok) {
        Complain(result.message);
        return 2;
    }
    return 0;
}
