#include "run/install_run.h"

#include <cwchar>

#include "identity.h"
#include "os/win32_api.h"
#include "run/command_line.h"
#include "service/service_control.h"
#include "spooler/local_port.h"
#include "spooler/paper_forms.h"
#include "spooler/print_processor.h"
#include "spooler/printer_lists.h"

const WCHAR kRemovePrinterTemplate[] =
    L"%s\\rundll32.exe printui.dll, PrintUIEntry /dl /n \"%s\" /q";
const WCHAR kRemoveDriverTemplate[] =
    L"%s\\rundll32.exe printui.dll,PrintUIEntry /dd /m "
    L"\"" VNV_MODEL_NAME L"\" /q /f "
                         L"\"%s" VNV_INF_FILE L"\" /r \"LPT1:\" /m \"" VNV_MODEL_NAME L"\"";
const WCHAR kInstallPrinterTemplate[] =
    L"%s\\rundll32.exe printui.dll, PrintUIEntry /if /b \"" VNV_PRINTER_NAME L"\" /f \"%s" VNV_INF_FILE
    L"\" /r \"" VNV_PORT_NAME L"\" /m \"" VNV_MODEL_NAME L"\"";

namespace {

// The program's own directory with its trailing backslash. 0 when the path has no backslash,
// or when it filled the whole buffer: a cut path names some other directory.
int GetInstallDir(LPWSTR installDir) {
  const DWORD len = os::GetModuleFileNameW(nullptr, installDir, kPathChars);
  if (len == 0 || len >= kPathChars) return 0;
  installDir[len] = L'\0';
  LPWSTR lastSlash = wcsrchr(installDir, L'\\');
  if (lastSlash == nullptr) return 0;
  lastSlash[1] = L'\0';
  return 1;
}

// The system directory, or an empty string when it cannot be read whole.
void GetSystemDir(LPWSTR winSysDir) {
  const UINT len = os::GetSystemDirectoryW(winSysDir, kPathChars);
  if (len == 0 || len >= kPathChars) winSysDir[0] = L'\0';
}

// Builds one command from its template and runs it. A command that would not fit, or whose
// system directory is unknown, is not run: a cut or rootless command line must never start.
void RunTemplate(LPCWSTR templ, LPCWSTR first, LPCWSTR second) {
  if (first[0] == L'\0') return;
  WCHAR cmdline[kCommandChars];
  const LPCWSTR args[] = {first, second};
  if (FormatCommand(cmdline, kCommandChars, templ, args, 2)) RunCommandLine(cmdline);
}

void RemoveModelPrinters(LPCWSTR winSysDir) {
  DWORD nPrinters = 0;
  LPWSTR names = GetPrintersByDriver(&nPrinters);
  if (nPrinters == 0) return;
  LPCWSTR name = names;
  for (DWORD i = 0; i < nPrinters; ++i, name = NextListName(name)) {
    // A quote would end the quoted name early and let the rest read as options.
    if (wcschr(name, L'"') != nullptr) continue;
    RunTemplate(kRemovePrinterTemplate, winSysDir, name);
  }
  os::HeapFree(os::GetProcessHeap(), 0, names);
}

void ProvisionPort() {
  DWORD bPortInstalled = 0;
  if (!IsPortInstalled(&bPortInstalled, VNV_PORT_NAME) || !bPortInstalled) {
    AddLocalPort(VNV_PORT_NAME);
  }
}

}  // namespace

int RunInstall() {
  RestartService(VNV_SPOOLER_SERVICE);

  WCHAR installDir[kPathChars] = {};
  if (!GetInstallDir(installDir)) return -1;
  WCHAR winSysDir[kPathChars] = {};
  GetSystemDir(winSysDir);

  RemoveModelPrinters(winSysDir);
  RunTemplate(kRemoveDriverTemplate, winSysDir, installDir);
  ProvisionPort();
  RunTemplate(kInstallPrinterTemplate, winSysDir, installDir);
  AddPrinterPaperForms();
  DeployPrintProcessor(installDir);
  return 1;
}
