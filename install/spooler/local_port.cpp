#include "spooler/local_port.h"

#include "os/win32_api.h"

// Placeholder until port provisioning lands.
int IsPortInstalled(LPDWORD, LPCWSTR) { return 0; }
int AddLocalPort(LPCWSTR) { return 0; }
