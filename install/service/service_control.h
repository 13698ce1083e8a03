// Stopping, starting and restarting a service through the Service Control Manager. Each
// operation opens and closes its own manager and service handles and returns 1 or 0.
#pragma once

#include <windows.h>

// Milliseconds between status queries while a stop is under way.
constexpr DWORD kStopPollMs = 200;
// Status queries a stop waits for before it gives up: 150 x 200 ms = 30 s. The spooler stops in
// well under a second; Windows itself gives a service 20 s to stop at shutdown, so one that is
// still stopping after 30 s is hung, and a silent installer must not wait on it for ever.
constexpr int kStopWaitPolls = 150;

// 1 when the service's current state reads SERVICE_RUNNING.
int IsServiceRunning(LPCWSTR serviceName);

// 1 when the stop was sent (or the service was not active) and the wait for it ended; 0 also
// when the service still reports itself stopping after kStopWaitPolls queries.
int StopServiceAndWait(LPCWSTR serviceName);

// 1 when the service reached SERVICE_RUNNING; the print server is probed afterwards.
int StartServiceAndWait(LPCWSTR serviceName);

// Stops the service if it runs, then starts it; returns the start's result.
int RestartService(LPCWSTR serviceName);
