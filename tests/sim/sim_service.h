// The simulated Service Control Manager: a table of services whose states move as a script
// says, counted in status queries, so a test can hold a service in a pending state.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sim {

// For pendingQueries fields: the pending state never ends.
constexpr int kForEver = -1;

struct Service {
  std::wstring name;
  DWORD state = SERVICE_RUNNING;
  // Status queries after a start (a stop) that still read START_PENDING (STOP_PENDING); the
  // next one reads RUNNING (STOPPED). 0: the state changes at once. kForEver: it never does.
  int startPendingQueries = 0;
  int stopPendingQueries = 0;
  DWORD stopError = 0;        // ControlService(STOP) fails with it, e.g. a refused stop
  DWORD startError = 0;       // StartServiceW of a stopped service fails with it
  bool accessDenied = false;  // OpenServiceW fails with ERROR_ACCESS_DENIED
  // What happened to it since Reset().
  int starts = 0;  // accepted StartServiceW calls
  int stops = 0;   // accepted stop controls
  int queries = 0;
  int pendingLeft = 0;  // queries still to read the pending state
};

struct ServiceManager {
  std::vector<Service> services = {Service{L"spooler"}};
  bool accessDenied = false;  // OpenSCManagerW fails with ERROR_ACCESS_DENIED
};

// The current machine's services; Reset() leaves one "spooler" service that runs.
ServiceManager &serviceManager();
// The service of that name (letter case ignored), or null.
Service *FindService(const std::wstring &name);
// Adds a service, or replaces the one of that name, and returns it.
Service &PutService(const Service &service);

}  // namespace sim
