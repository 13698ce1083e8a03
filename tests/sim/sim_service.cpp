// Service Control Manager of the simulated Windows (to be grown with service control).
#include <gtest/gtest.h>

#include "os/win32_api.h"
#include "sim_core.h"
#include "sim_spooler.h"

namespace sim {
bool SpoolerAvailable() { return true; }
}  // namespace sim

namespace os {

using namespace sim;

#define SIM_NOT_YET(fn)                                   \
  Enter(#fn);                                             \
  ADD_FAILURE() << #fn " is not simulated";               \
  SetError(ERROR_CALL_NOT_IMPLEMENTED)

SC_HANDLE OpenSCManagerW(LPCWSTR, LPCWSTR, DWORD) { SIM_NOT_YET(OpenSCManagerW); return nullptr; }
SC_HANDLE OpenServiceW(SC_HANDLE, LPCWSTR, DWORD) { SIM_NOT_YET(OpenServiceW); return nullptr; }
BOOL QueryServiceStatus(SC_HANDLE, LPSERVICE_STATUS) { SIM_NOT_YET(QueryServiceStatus); return FALSE; }
BOOL StartServiceW(SC_HANDLE, DWORD, LPCWSTR *) { SIM_NOT_YET(StartServiceW); return FALSE; }
BOOL ControlService(SC_HANDLE, DWORD, LPSERVICE_STATUS) { SIM_NOT_YET(ControlService); return FALSE; }
BOOL CloseServiceHandle(SC_HANDLE) { SIM_NOT_YET(CloseServiceHandle); return FALSE; }

}  // namespace os
