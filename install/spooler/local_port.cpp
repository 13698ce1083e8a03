#include "spooler/local_port.h"

#include <cwchar>

#include "identity.h"
#include "os/win32_api.h"

namespace {

// Milliseconds of each wait on the worker while the dialog is searched for and confirmed.
constexpr DWORD kPollIntervalMs = 5;
// Class of standard dialog boxes, which the monitor's add-port dialog is.
const WCHAR kDialogClass[] = L"#32770";
const WCHAR kEditClass[] = L"Edit";
constexpr int kClassNameChars = 100;
constexpr WCHAR kCarriageReturn = 13;

// One attempt's progress, kept by the main thread.
struct PortAttempt {
  const PortAttemptSettings *settings;
  HANDLE hThread;
  DWORD dwThreadID;
  DWORD dwStart;  // tick count when the attempt began
  DWORD dwWait;   // result of the last wait on the worker
  int bContinue;  // last result of the continue check
  HWND hwnd;      // the dialog
  HWND hEdit;     // the dialog's edit field
};

// The ports at level 1 in a process-heap block that the caller frees, with their count in
// *pdwcPorts; null when they cannot be listed.
PORT_INFO_1W *ReadPorts(LPDWORD pdwcPorts) {
  DWORD dwCbNeeded = 0;
  DWORD dwTemp = 0;
  if (os::EnumPortsW(nullptr, 1, nullptr, 0, &dwCbNeeded, &dwTemp)) return nullptr;
  const DWORD dwError = os::GetLastError();
  if (dwError != ERROR_INSUFFICIENT_BUFFER) return nullptr;
  HANDLE hHeap = os::GetProcessHeap();
  LPBYTE buffer = static_cast<LPBYTE>(os::HeapAlloc(hHeap, 0, dwCbNeeded));
  if (buffer == nullptr) return nullptr;
  if (!os::EnumPortsW(nullptr, 1, buffer, dwCbNeeded, &dwCbNeeded, pdwcPorts)) {
    os::HeapFree(hHeap, 0, buffer);
    return nullptr;
  }
  return reinterpret_cast<PORT_INFO_1W *>(buffer);
}

// True when a time limit is set and more milliseconds than it allows have passed (unsigned, so
// a tick count that wrapped still measures right).
bool TimeIsUp(const PortAttempt &at) {
  const DWORD dwTimeout = at.settings->dwTimeout;
  return dwTimeout != kNoTimeLimit && os::GetTickCount() - at.dwStart > dwTimeout;
}

// Polls for the dialog on the worker's thread and for its edit field, until both are known,
// the worker ended, a wait failed, the time is up or the continue check says stop.
void SearchDialog(PortAttempt *at) {
  const PortAttemptSettings &settings = *at->settings;
  while (at->hwnd == nullptr || at->hEdit == nullptr) {
    if (TimeIsUp(*at)) return;
    if (at->dwWait != WAIT_TIMEOUT || !at->bContinue) return;
    if (at->hwnd == nullptr) {
      os::EnumThreadWindows(at->dwThreadID, FindDialogProc, reinterpret_cast<LPARAM>(&at->hwnd));
    }
    if (at->hwnd != nullptr) at->hEdit = os::FindWindowExW(at->hwnd, nullptr, kEditClass, nullptr);
    if (settings.pfnContinue != nullptr) at->bContinue = settings.pfnContinue();
    if (settings.dwPollInterval != 0) {
      at->dwWait = os::WaitForSingleObject(at->hThread, settings.dwPollInterval);
    }
  }
}

// Types the port name and confirms the dialog twice over: OK, then Enter as the keyboard sends
// it, with the bare scan code as lParam.
void TypePortName(HWND hwnd, HWND hEdit, LPCWSTR portName) {
  os::SetWindowTextW(hEdit, portName);
  os::PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
  const UINT uScanCode = os::MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC);
  os::PostMessageW(hwnd, WM_CHAR, kCarriageReturn, uScanCode);
}

// Waits on the worker until it ended, a wait failed, the time is up or the continue check says
// stop; the last wait result stays in at->dwWait.
void WaitForWorker(PortAttempt *at) {
  const PortAttemptSettings &settings = *at->settings;
  while (at->bContinue) {
    if (TimeIsUp(*at) || at->dwWait != WAIT_TIMEOUT) return;
    if (settings.pfnContinue != nullptr) at->bContinue = settings.pfnContinue();
    at->dwWait = os::WaitForSingleObject(at->hThread, settings.dwPollInterval);
  }
}

}  // namespace

int IsPortInstalled(LPDWORD found, LPCWSTR portName) {
  DWORD dwcPorts = 0;
  PORT_INFO_1W *ports = ReadPorts(&dwcPorts);
  if (ports == nullptr) return 0;
  DWORD bFound = 0;
  for (DWORD i = 0; i < dwcPorts && !bFound; ++i) {
    bFound = os::lstrcmpiW(ports[i].pName, portName) == 0;
  }
  *found = bFound;
  os::HeapFree(os::GetProcessHeap(), 0, ports);
  return 1;
}

int AddLocalPort(LPCWSTR portName) {
  const PortAttemptSettings settings = {kAddPortTimeLimitMs, kPollIntervalMs, nullptr, nullptr};
  return AddLocalPortWith(portName, settings);
}

int AddLocalPortWith(LPCWSTR portName, const PortAttemptSettings &settings) {
  // Static, so a worker that outlives a failed TerminateThread never writes into a dead frame.
  static WCHAR atstrDefaultMonitorName[] = VNV_PORT_MONITOR;
  static AddPortThreadParam tp;
  // AddPortW takes a writable name but only reads it.
  tp.pMonitorName = settings.pszMonitorName != nullptr ? const_cast<LPWSTR>(settings.pszMonitorName)
                                                       : atstrDefaultMonitorName;
  tp.bDone = 0;
  PortAttempt at = {&settings, nullptr, 0, os::GetTickCount(), WAIT_TIMEOUT, 1, nullptr, nullptr};
  at.hThread = os::CreateThread(nullptr, 0, AddPortThreadProc, &tp, 0, &at.dwThreadID);
  if (at.hThread == nullptr) return 0;
  SearchDialog(&at);
  if (at.bContinue && at.hwnd != nullptr && at.hEdit != nullptr) {
    TypePortName(at.hwnd, at.hEdit, portName);
  }
  WaitForWorker(&at);
  int result = 0;
  if (at.dwWait == WAIT_OBJECT_0) {
    result = int(tp.bDone);
  } else {
    os::TerminateThread(at.hThread, 0);
  }
  os::CloseHandle(at.hThread);
  return result;
}

DWORD WINAPI AddPortThreadProc(LPVOID tp) {
  auto *param = static_cast<AddPortThreadParam *>(tp);
  os::AddPortW(nullptr, nullptr, param->pMonitorName);
  param->bDone = 1;
  return 0;
}

BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM lParam) {
  WCHAR className[kClassNameChars] = {};
  os::GetClassNameW(hwnd, className, kClassNameChars);
  if (wcscmp(className, kDialogClass) != 0) return TRUE;
  *reinterpret_cast<HWND *>(lParam) = hwnd;
  return FALSE;
}
