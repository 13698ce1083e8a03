// Building and running the printer-installation commands.
#pragma once

#include <windows.h>

// The command line buffer holds this many characters, its NUL included.
constexpr DWORD kCommandChars = 2000;

// Copies `templ` into `out` (outChars characters), putting args[0], args[1], ... in place of
// each "%s" in turn. Returns 1 when the whole command fits, 0 when it does not or the template
// asks for more arguments than given; on 0 `out` holds an empty string, never a cut command.
int FormatCommand(LPWSTR out, DWORD outChars, LPCWSTR templ, const LPCWSTR *args, DWORD nArgs);

// Starts commandLine as a child process and waits until it has ended. Returns 1 when the
// process was started, whatever its exit code, and 0 when it could not be started.
int RunCommandLine(LPCWSTR commandLine);
