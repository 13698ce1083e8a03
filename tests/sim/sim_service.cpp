// Service Control Manager of the simulated Windows.
#include "sim_service.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <cwchar>

#include "os/win32_api.h"
#include "sim_core.h"
#include "sim_spooler.h"

namespace sim {
namespace {

ServiceManager gManager;
ResetHook gReset([] { gManager = ServiceManager(); });

std::wstring Hex(DWORD value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%lX", static_cast<unsigned long>(value));
  return text;
}

DWORD AccessOf(const HandleInfo &info) {
  return static_cast<DWORD>(reinterpret_cast<uintptr_t>(info.extra));
}

// The service behind a service handle that was opened with `access`; null with the error set
// (ERROR_INVALID_HANDLE or ERROR_ACCESS_DENIED) otherwise.
Service *ServiceOf(SC_HANDLE hService, DWORD access) {
  HandleInfo *info = FindHandle(hService, HandleKind::Service);
  if (info == nullptr) {
    ADD_FAILURE() << "a service call on a handle that is no open service";
    SetError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if ((AccessOf(*info) & access) != access) {
    SetError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return FindService(info->what);
}

// A pending state ends after its count of queries; the query that ends it reads the new state.
void StepPendingState(Service &service) {
  if (service.state != SERVICE_START_PENDING && service.state != SERVICE_STOP_PENDING) return;
  if (service.pendingLeft != 0) {
    if (service.pendingLeft > 0) --service.pendingLeft;
    return;
  }
  service.state = service.state == SERVICE_START_PENDING ? SERVICE_RUNNING : SERVICE_STOPPED;
}

// Moves the service into a pending state that lasts `queries` status queries.
void BeginPending(Service &service, DWORD pending, DWORD final, int queries) {
  service.state = queries == 0 ? final : pending;
  service.pendingLeft = queries;
}

void FillStatus(const Service &service, LPSERVICE_STATUS status) {
  std::memset(status, 0, sizeof(*status));
  status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status->dwCurrentState = service.state;
  status->dwControlsAccepted = service.state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  const bool pending =
      service.state == SERVICE_START_PENDING || service.state == SERVICE_STOP_PENDING;
  status->dwWaitHint = pending ? 2000 : 0;
}

}  // namespace

ServiceManager &serviceManager() { return gManager; }

Service *FindService(const std::wstring &name) {
  for (Service &service : gManager.services) {
    if (SameText(service.name, name)) return &service;
  }
  return nullptr;
}

Service &PutService(const Service &service) {
  Service *existing = FindService(service.name);
  if (existing != nullptr) {
    *existing = service;
    return *existing;
  }
  gManager.services.push_back(service);
  return gManager.services.back();
}

// The spooler answers while its service runs, and always on a machine without such a service.
bool SpoolerAvailable() {
  const Service *spooler = FindService(L"spooler");
  return spooler == nullptr || spooler->state == SERVICE_RUNNING;
}

}  // namespace sim

namespace os {

using namespace sim;

SC_HANDLE OpenSCManagerW(LPCWSTR lpMachineName, LPCWSTR lpDatabaseName, DWORD dwDesiredAccess) {
  if (Enter("OpenSCManagerW", Hex(dwDesiredAccess))) return nullptr;
  if (lpMachineName != nullptr || lpDatabaseName != nullptr) {
    ADD_FAILURE() << "OpenSCManagerW of a machine or database other than the local active one";
  }
  if (serviceManager().accessDenied) {
    SetError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  HANDLE handle = NewHandle(HandleKind::ScManager, L"service manager");
  FindAnyHandle(handle)->extra = reinterpret_cast<void *>(uintptr_t(dwDesiredAccess));
  return static_cast<SC_HANDLE>(handle);
}

SC_HANDLE OpenServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, DWORD dwDesiredAccess) {
  const std::wstring name = lpServiceName == nullptr ? L"" : lpServiceName;
  if (Enter("OpenServiceW", name + L" " + Hex(dwDesiredAccess))) return nullptr;
  if (FindHandle(hSCManager, HandleKind::ScManager) == nullptr) {
    ADD_FAILURE() << "OpenServiceW through a handle that is no open service manager";
    SetError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  Service *service = FindService(name);
  if (service == nullptr) {
    SetError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  if (service->accessDenied) {
    SetError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  HANDLE handle = NewHandle(HandleKind::Service, service->name);
  FindAnyHandle(handle)->extra = reinterpret_cast<void *>(uintptr_t(dwDesiredAccess));
  return static_cast<SC_HANDLE>(handle);
}

BOOL QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus) {
  if (Enter("QueryServiceStatus", HandleName(hService))) return FALSE;
  Service *service = ServiceOf(hService, SERVICE_QUERY_STATUS);
  if (service == nullptr) return FALSE;
  ++service->queries;
  StepPendingState(*service);
  FillStatus(*service, lpServiceStatus);
  return TRUE;
}

BOOL StartServiceW(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCWSTR *lpServiceArgVectors) {
  if (Enter("StartServiceW", HandleName(hService))) return FALSE;
  if (dwNumServiceArgs != 0 || lpServiceArgVectors != nullptr) {
    ADD_FAILURE() << "StartServiceW given arguments";
  }
  Service *service = ServiceOf(hService, SERVICE_START);
  if (service == nullptr) return FALSE;
  if (service->state != SERVICE_STOPPED) {
    SetError(ERROR_SERVICE_ALREADY_RUNNING);
    return FALSE;
  }
  if (service->startError != 0) {
    SetError(service->startError);
    return FALSE;
  }
  ++service->starts;
  BeginPending(*service, SERVICE_START_PENDING, SERVICE_RUNNING, service->startPendingQueries);
  return TRUE;
}

BOOL ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) {
  if (Enter("ControlService", HandleName(hService))) return FALSE;
  if (dwControl != SERVICE_CONTROL_STOP) ADD_FAILURE() << "ControlService other than a stop";
  Service *service = ServiceOf(hService, SERVICE_STOP);
  if (service == nullptr) return FALSE;
  if (service->state == SERVICE_STOPPED) {
    SetError(ERROR_SERVICE_NOT_ACTIVE);
    return FALSE;
  }
  if (service->state != SERVICE_RUNNING) {
    SetError(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    return FALSE;
  }
  if (service->stopError != 0) {
    SetError(service->stopError);
    return FALSE;
  }
  ++service->stops;
  BeginPending(*service, SERVICE_STOP_PENDING, SERVICE_STOPPED, service->stopPendingQueries);
  FillStatus(*service, lpServiceStatus);
  return TRUE;
}

BOOL CloseServiceHandle(SC_HANDLE hSCObject) {
  return CloseOfKinds("CloseServiceHandle", hSCObject,
                      {HandleKind::ScManager, HandleKind::Service});
}

}  // namespace os
