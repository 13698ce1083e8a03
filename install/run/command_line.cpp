#include "run/command_line.h"

#include <cwchar>

#include "os/win32_api.h"

namespace {

DWORD CountMarkers(LPCWSTR templ) {
  DWORD n = 0;
  for (LPCWSTR p = wcsstr(templ, L"%s"); p != nullptr; p = wcsstr(p + 2, L"%s")) ++n;
  return n;
}

}  // namespace

int FormatCommand(LPWSTR out, DWORD outChars, LPCWSTR templ, const LPCWSTR *args, DWORD nArgs) {
  if (outChars == 0) return 0;
  out[0] = L'\0';
  if (CountMarkers(templ) != nArgs) return 0;
  DWORD used = 0;
  DWORD nextArg = 0;
  for (LPCWSTR p = templ; *p != L'\0'; ++p) {
    LPCWSTR piece = p;
    size_t len = 1;
    if (p[0] == L'%' && p[1] == L's') {
      piece = args[nextArg++];
      len = wcslen(piece);
      ++p;
    }
    // One character stays free for the NUL: a command that does not fit is not built at all.
    if (len >= outChars - used) {
      out[0] = L'\0';
      return 0;
    }
    wmemcpy(out + used, piece, len);
    used += DWORD(len);
  }
  out[used] = L'\0';
  return 1;
}

int RunCommandLine(LPCWSTR commandLine) {
  // CreateProcessW may write into the command line, so it gets a copy of its own.
  WCHAR cmdline[kCommandChars];
  const size_t len = wcslen(commandLine);
  if (len >= kCommandChars) return 0;
  wmemcpy(cmdline, commandLine, len + 1);

  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!os::CreateProcessW(nullptr, cmdline, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                          &pi)) {
    return 0;
  }
  os::WaitForSingleObject(pi.hThread, INFINITE);
  os::WaitForSingleObject(pi.hProcess, INFINITE);
  os::CloseHandle(pi.hThread);
  os::CloseHandle(pi.hProcess);
  return 1;
}
