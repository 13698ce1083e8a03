// Stopping, starting and restarting a service through the Service Control Manager. Each
// operation opens and closes its own manager and service handles and returns 1 or 0.
#pragma once

#include <windows.h>

// 1 when the service's current state reads SERVICE_RUNNING.
int IsServiceRunning(LPCWSTR serviceName);

// 1 when the stop was sent (or the service was not active) and the wait for it ended.
int StopServiceAndWait(LPCWSTR serviceName);

// 1 when the service reached SERVICE_RUNNING; the print server is probed afterwards.
int StartServiceAndWait(LPCWSTR serviceName);

// Stops the service if it runs, then starts it; returns the start's result.
int RestartService(LPCWSTR serviceName);
