#include "service/service_control.h"

#include "os/win32_api.h"

namespace {

// Milliseconds between status queries while a start is under way.
constexpr DWORD kStartPollMs = 2000;
// Sleeps a start waits through: eleven queries 2 s apart, 20 s in all.
constexpr int kStartWaitSleeps = 10;
// A start is tried twice when the print server does not answer after the first.
constexpr int kStartAttempts = 2;

// Opens the local manager and the named service. Returns the service handle and stores the
// manager handle; on failure returns null with nothing left open. The caller closes both.
SC_HANDLE OpenNamedService(LPCWSTR serviceName, DWORD dwManagerAccess, DWORD dwServiceAccess,
                           SC_HANDLE *phSCManager) {
  *phSCManager = os::OpenSCManagerW(nullptr, nullptr, dwManagerAccess);
  if (*phSCManager == nullptr) return nullptr;
  SC_HANDLE hService = os::OpenServiceW(*phSCManager, serviceName, dwServiceAccess);
  if (hService == nullptr) {
    os::CloseServiceHandle(*phSCManager);
    *phSCManager = nullptr;
  }
  return hService;
}

// Closes the service handle, then the manager handle it was opened through.
void CloseNamedService(SC_HANDLE hService, SC_HANDLE hSCManager) {
  os::CloseServiceHandle(hService);
  os::CloseServiceHandle(hSCManager);
}

// 1 once the service reads SERVICE_STOPPED or its status can no longer be read; 0 when it is
// still stopping after kStopWaitPolls queries.
int WaitUntilStopped(SC_HANDLE hService) {
  SERVICE_STATUS ssStatus = {};
  for (int nPolls = 0; nPolls < kStopWaitPolls; ++nPolls) {
    os::Sleep(kStopPollMs);
    if (!os::QueryServiceStatus(hService, &ssStatus)) return 1;
    if (ssStatus.dwCurrentState == SERVICE_STOPPED) return 1;
  }
  return 0;
}

// The last state read while waiting for a start: SERVICE_RUNNING when a query saw it within
// eleven queries, 0 when not even the first query could be read.
DWORD WaitUntilRunning(SC_HANDLE hService) {
  SERVICE_STATUS ssStatus = {};
  DWORD dwState = 0;
  for (int nSleeps = 0;; ++nSleeps) {
    if (!os::QueryServiceStatus(hService, &ssStatus)) break;
    dwState = ssStatus.dwCurrentState;
    if (dwState == SERVICE_RUNNING || nSleeps == kStartWaitSleeps) break;
    os::Sleep(kStartPollMs);
  }
  return dwState;
}

// 1 when the local print server can be opened; the handle is closed at once.
int PrintServerAnswers() {
  HANDLE hServer = nullptr;
  if (!os::OpenPrinterW(nullptr, &hServer, nullptr)) return 0;
  os::ClosePrinter(hServer);
  return 1;
}

// Starts the service and waits for it, up to twice while the print server does not answer.
// 1 when the last attempt saw the service running; 0 when an attempt could not start it.
int StartAndProbe(SC_HANDLE hService) {
  int result = 0;
  int bServerAnswered = 0;
  for (int nAttempts = 0; nAttempts < kStartAttempts && !bServerAnswered; ++nAttempts) {
    if (!os::StartServiceW(hService, 0, nullptr)) {
      const DWORD dwError = os::GetLastError();
      if (dwError != ERROR_SERVICE_ALREADY_RUNNING) return 0;
    }
    if (WaitUntilRunning(hService) != SERVICE_RUNNING) return 0;
    result = 1;
    bServerAnswered = PrintServerAnswers();
  }
  return result;
}

}  // namespace

int IsServiceRunning(LPCWSTR serviceName) {
  SC_HANDLE hSCManager = nullptr;
  SC_HANDLE hService =
      OpenNamedService(serviceName, GENERIC_READ, SERVICE_QUERY_STATUS, &hSCManager);
  if (hService == nullptr) return 0;
  SERVICE_STATUS ssStatus = {};
  const int bRunning =
      os::QueryServiceStatus(hService, &ssStatus) && ssStatus.dwCurrentState == SERVICE_RUNNING;
  CloseNamedService(hService, hSCManager);
  return bRunning;
}

int StopServiceAndWait(LPCWSTR serviceName) {
  SC_HANDLE hSCManager = nullptr;
  SC_HANDLE hService = OpenNamedService(serviceName, GENERIC_EXECUTE,
                                        SERVICE_STOP | SERVICE_QUERY_STATUS, &hSCManager);
  if (hService == nullptr) return 0;
  SERVICE_STATUS ssStatus = {};
  if (!os::ControlService(hService, SERVICE_CONTROL_STOP, &ssStatus)) {
    const DWORD dwError = os::GetLastError();
    if (dwError != ERROR_SERVICE_NOT_ACTIVE) {
      CloseNamedService(hService, hSCManager);
      return 0;
    }
  }
  const int result = WaitUntilStopped(hService);
  CloseNamedService(hService, hSCManager);
  return result;
}

int StartServiceAndWait(LPCWSTR serviceName) {
  SC_HANDLE hSCManager = nullptr;
  SC_HANDLE hService = OpenNamedService(serviceName, GENERIC_EXECUTE,
                                        SERVICE_START | SERVICE_QUERY_STATUS, &hSCManager);
  if (hService == nullptr) return 0;
  const int result = StartAndProbe(hService);
  CloseNamedService(hService, hSCManager);
  return result;
}

int RestartService(LPCWSTR serviceName) {
  if (IsServiceRunning(serviceName)) StopServiceAndWait(serviceName);
  return StartServiceAndWait(serviceName);
}
