// Window manager, threads and the port monitor's dialog of the simulated Windows (to be grown
// with port provisioning).
#include <gtest/gtest.h>

#include "os/win32_api.h"
#include "sim_core.h"
#include "sim_process.h"

namespace sim {
DWORD WaitThread(HANDLE, DWORD) {
  ADD_FAILURE() << "thread waits are not simulated";
  return WAIT_FAILED;
}
}  // namespace sim

namespace os {

using namespace sim;

#define SIM_NOT_YET(fn)                                   \
  Enter(#fn);                                             \
  ADD_FAILURE() << #fn " is not simulated";               \
  SetError(ERROR_CALL_NOT_IMPLEMENTED)

BOOL AddPortW(LPWSTR, HWND, LPWSTR) { SIM_NOT_YET(AddPortW); return FALSE; }
BOOL EnumThreadWindows(DWORD, WNDENUMPROC, LPARAM) { SIM_NOT_YET(EnumThreadWindows); return FALSE; }
int GetClassNameW(HWND, LPWSTR, int) { SIM_NOT_YET(GetClassNameW); return 0; }
HWND FindWindowExW(HWND, HWND, LPCWSTR, LPCWSTR) { SIM_NOT_YET(FindWindowExW); return nullptr; }
BOOL SetWindowTextW(HWND, LPCWSTR) { SIM_NOT_YET(SetWindowTextW); return FALSE; }
BOOL PostMessageW(HWND, UINT, WPARAM, LPARAM) { SIM_NOT_YET(PostMessageW); return FALSE; }
UINT MapVirtualKeyW(UINT, UINT) { SIM_NOT_YET(MapVirtualKeyW); return 0; }
HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD) {
  SIM_NOT_YET(CreateThread);
  return nullptr;
}
BOOL TerminateThread(HANDLE, DWORD) { SIM_NOT_YET(TerminateThread); return FALSE; }

}  // namespace os
