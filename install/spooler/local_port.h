// Making sure a port of the local port monitor exists, by driving the monitor's dialog.
#pragma once

#include <windows.h>

// 1 when the ports could be listed, with *found 1 if portName exists (letter case ignored);
// 0 when they could not, leaving *found untouched.
int IsPortInstalled(LPDWORD found, LPCWSTR portName);

// Adds portName through the "Local Port" monitor's dialog. 1 when AddPortW returned by itself,
// 0 when the worker could not be started or was cut off. Does not say whether the port exists.
int AddLocalPort(LPCWSTR portName);
