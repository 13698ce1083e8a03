// Making sure a port of the local port monitor exists, by driving the monitor's dialog.
#pragma once

#include <windows.h>

// A time limit of this value means none.
constexpr DWORD kNoTimeLimit = 0xFFFFFFFF;
// Time limit of the installer's own attempts: 60 s. The dialog comes up within a second or two
// and closes as soon as it is confirmed; a spooler just restarted may be slow to load its
// monitor, so allow three times the 20 s the start of the spooler may take. Past that the
// dialog is stuck (e.g. behind an error box the monitor raised), and a silent installer must end.
constexpr DWORD kAddPortTimeLimitMs = 60000;

// Settings of one provisioning attempt.
struct PortAttemptSettings {
  DWORD dwTimeout;         // ms after the start when the attempt gives up, or kNoTimeLimit
  DWORD dwPollInterval;    // ms of each wait on the worker; 0 skips the search loop's wait
  int (*pfnContinue)();    // called once per poll, 0 ends the attempt; may be null
  LPCWSTR pszMonitorName;  // null for the standard "Local Port" monitor
};

// What the main thread and the worker share. pMonitorName is set before the worker starts;
// the worker sets bDone, which the main thread reads only after a wait saw the worker end.
struct AddPortThreadParam {
  LPWSTR pMonitorName;
  DWORD bDone;
};

// 1 when the ports could be listed, with *found 1 if portName exists (letter case ignored);
// 0 when they could not, leaving *found untouched.
int IsPortInstalled(LPDWORD found, LPCWSTR portName);

// Adds portName through the "Local Port" monitor's dialog. 1 when AddPortW returned by itself,
// 0 when the worker could not be started or was cut off. Does not say whether the port exists.
int AddLocalPort(LPCWSTR portName);

// AddLocalPort with the settings given rather than the installer's own.
int AddLocalPortWith(LPCWSTR portName, const PortAttemptSettings &settings);

// The worker's body: AddPortW on the monitor in *tp (an AddPortThreadParam), then bDone = 1.
// Always returns 0.
DWORD WINAPI AddPortThreadProc(LPVOID tp);

// Window-enumeration callback: stores the first standard dialog box ("#32770") in the HWND
// that lParam points to and returns FALSE to end the enumeration; TRUE for other windows.
BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM lParam);
