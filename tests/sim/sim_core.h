// The simulated Windows behind the OS door, core: call journal, fault injection, last error,
// handle and heap accounting, and a virtual clock.
//
// Tests set up a machine (see the other sim_*.h), run product code, and look at the machine and
// the journal afterwards. Reset() starts a fresh machine; LeakReport() lists what is still open.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace sim {

// The last error a call leaves when it succeeds, so code that reads it after a success is caught.
constexpr DWORD kPoisonError = 0xE0DEAD01;

struct Call {
  std::string fn;    // Win32 name, e.g. "OpenPrinterW"
  std::wstring arg;  // the call's main argument, e.g. a printer name or command line
};

// Forgets the whole machine: tables, journal, faults, handles, heap blocks and clock.
void Reset();

// Every OS call made since Reset(), in order (GetLastError is not journaled).
const std::vector<Call> &Journal();
// The journal's function names only.
std::vector<std::string> CallNames();
// Journal entries whose name is one of `fns`, as "Name(arg)" (or "Name" without an argument).
std::vector<std::string> CallsOf(const std::vector<std::string> &fns);

// Makes the next `times` calls of `fn` (after skipping `skip` of them) fail with `error`.
// times < 0 means every call from then on.
void FailCall(const std::string &fn, DWORD error, int times = 1, int skip = 0);
// Makes the call at this journal position fail with `error` (positions count from 0).
void FailCallAt(size_t position, DWORD error);

// Virtual milliseconds since boot; Sleep and timed waits advance it without real waiting.
DWORD Now();
void Advance(DWORD ms);
// Sum of the milliseconds of every Sleep call so far.
DWORD SleptMs();

// What the code under test still holds: one line per open handle and live heap block.
std::vector<std::string> LeakReport();
size_t OpenHandleCount();
size_t LiveHeapBlockCount();
// Size in bytes of a live heap block (process or local heap), 0 when it is not one.
size_t HeapBlockSize(const void *block);

// UTF-8 form of a wide string, for readable test messages.
std::string Utf8(const std::wstring &text);

// --- for the sim_*.cpp files --------------------------------------------------------------

// Journals the call, poisons the last error and applies a pending fault. Returns true when the
// call must fail; the last error is then the fault's.
bool Enter(const char *fn, const std::wstring &arg = std::wstring());
// Journals a call that cannot fail (Sleep, GetTickCount).
void Note(const char *fn, const std::wstring &arg = std::wstring());
void SetError(DWORD error);
DWORD LastError();

enum class HandleKind { Printer, PrintServer, ScManager, Service, Process, ProcessThread, Thread };
const char *KindName(HandleKind kind);
HANDLE NewHandle(HandleKind kind, const std::wstring &what);
// The handle's record when it is open and of that kind, else null.
struct HandleInfo {
  HandleKind kind;
  std::wstring what;
  void *extra = nullptr;  // owned by the sim file that made the handle
};
HandleInfo *FindHandle(HANDLE handle, HandleKind kind);
HandleInfo *FindAnyHandle(HANDLE handle);
void DropHandle(HANDLE handle);
// What a handle was opened for, for the journal; "?" when it is not open.
std::wstring HandleName(HANDLE handle);
// The whole of a close call (CloseHandle, ClosePrinter, CloseServiceHandle): journals it and
// drops the handle when it is open and of one of `kinds`; anything else is a bug in the code
// under test and fails with ERROR_INVALID_HANDLE.
BOOL CloseOfKinds(const char *fn, HANDLE handle, std::initializer_list<HandleKind> kinds);

// Case-insensitive equality, as the system compares paths and port names.
bool SameText(const std::wstring &a, const std::wstring &b);

// Reset hooks, so each sim file can clear its own tables.
struct ResetHook {
  explicit ResetHook(std::function<void()> fn);
};

}  // namespace sim
