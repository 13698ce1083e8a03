#include "service/service_control.h"

#include "os/win32_api.h"

// Placeholder until service control lands.
int IsServiceRunning(LPCWSTR) { return 0; }
int StopServiceAndWait(LPCWSTR) { return 0; }
int StartServiceAndWait(LPCWSTR) { return 0; }
int RestartService(LPCWSTR) { return 0; }
