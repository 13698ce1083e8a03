// Window manager, worker threads and the port monitor's dialog of the simulated Windows.
//
// Workers are real threads, handed over in lock step: CreateThread returns only once the worker
// is blocked in AddPortW or has ended, and a wait on a released worker returns only once it
// has ended. So the main thread and a worker never touch the tables at the same time.
#include "sim_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <memory>

#include "os/win32_api.h"
#include "sim_core.h"
#include "sim_process.h"
#include "sim_spooler.h"

namespace sim {
namespace {

// Real milliseconds a hand-over may take before the test is failed instead of hung.
constexpr DWORD kHandOverMs = 10000;

enum class ThreadState { Running, Blocked, Ended };

struct ThreadRec {
  HANDLE real = nullptr;
  DWORD id = 0;
  LPTHREAD_START_ROUTINE start = nullptr;
  LPVOID param = nullptr;
  HANDLE settled = nullptr;  // set once blocked in AddPortW or ended
  HANDLE release = nullptr;  // set to let a blocked worker go on
  std::atomic<ThreadState> state{ThreadState::Running};
  bool confirmed = false;  // the dialog got OK or Enter
  bool cancelled = false;  // the dialog closed by itself
  bool terminate = false;  // released to be ended by TerminateThread
  bool terminated = false;
  DWORD exitCode = 0;
  int polls = 0;
  PortMonitor plan;         // the monitor as it was when AddPortW blocked
  std::vector<bool> shown;  // which planned windows came up
};

struct Desktop {
  std::vector<Window> windows;
  uintptr_t nextHwnd = 0x20000;
  PortMonitor monitor;
};

Desktop gDesktop;
std::vector<std::unique_ptr<ThreadRec>> gThreads;

// Ends every worker still blocked, so no test leaves a thread behind for the next one.
void ResetWindows() {
  for (auto &t : gThreads) {
    if (t->state == ThreadState::Blocked) {
      t->terminate = true;
      ::SetEvent(t->release);
    }
    if (::WaitForSingleObject(t->real, kHandOverMs) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "a worker thread did not end at reset";
    }
    ::CloseHandle(t->real);
    ::CloseHandle(t->settled);
    ::CloseHandle(t->release);
  }
  gThreads.clear();
  gDesktop = Desktop();
}

ResetHook gReset(ResetWindows);

ThreadRec *ThreadById(DWORD id) {
  for (auto &t : gThreads) {
    if (t->id == id) return t.get();
  }
  return nullptr;
}

ThreadRec *ThreadOf(HANDLE hThread) {
  HandleInfo *info = FindHandle(hThread, HandleKind::Thread);
  return info == nullptr ? nullptr : static_cast<ThreadRec *>(info->extra);
}

Window *WindowOf(HWND hwnd) {
  for (Window &w : gDesktop.windows) {
    if (w.hwnd == hwnd && w.alive) return &w;
  }
  return nullptr;
}

HWND MakeWindow(DWORD threadId, HWND parent, const std::wstring &className) {
  Window w;
  w.hwnd = reinterpret_cast<HWND>(gDesktop.nextHwnd);
  gDesktop.nextHwnd += 0x10;
  w.threadId = threadId;
  w.parent = parent;
  w.className = className;
  gDesktop.windows.push_back(w);
  return w.hwnd;
}

void CloseWindowsOf(DWORD threadId) {
  for (Window &w : gDesktop.windows) {
    if (w.threadId == threadId) w.alive = false;
  }
}

// Brings up the planned windows whose polls have passed.
void ShowDueWindows(ThreadRec &t) {
  for (size_t i = 0; i < t.plan.windows.size(); ++i) {
    const PlannedWindow &planned = t.plan.windows[i];
    if (t.shown[i] || planned.afterPolls > t.polls) continue;
    t.shown[i] = true;
    HWND hwnd = MakeWindow(t.id, nullptr, planned.className);
    for (const std::wstring &child : planned.children) MakeWindow(t.id, hwnd, child);
  }
}

// One look of the main thread at a worker: windows may come up or the dialog close.
void Poll(ThreadRec &t) {
  if (t.state == ThreadState::Blocked && !t.confirmed && !t.cancelled) {
    ShowDueWindows(t);
    if (t.plan.closesAfterPolls != kNever && t.polls >= t.plan.closesAfterPolls) {
      t.cancelled = true;
      CloseWindowsOf(t.id);
    }
  }
  ++t.polls;
}

DWORD WINAPI RunWorker(LPVOID param) {
  auto *t = static_cast<ThreadRec *>(param);
  const DWORD code = t->start(t->param);
  t->exitCode = code;
  t->state = ThreadState::Ended;
  ::SetEvent(t->settled);
  return code;
}

// Blocks the calling worker inside AddPortW until it is released. A worker released to be
// terminated ends here and never returns into the code under test.
void BlockInAddPort(ThreadRec &t) {
  t.plan = gDesktop.monitor;
  t.shown.assign(t.plan.windows.size(), false);
  ShowDueWindows(t);
  t.state = ThreadState::Blocked;
  ::SetEvent(t.settled);
  ::WaitForSingleObject(t.release, INFINITE);
  if (t.terminate) ::ExitThread(t.exitCode);
  t.state = ThreadState::Running;
}

// What the dialog leaves when it closes: the port typed into it is added on confirmation.
BOOL CloseAddPortDialog(ThreadRec &t) {
  std::wstring typed;
  for (const Window &w : gDesktop.windows) {
    if (w.threadId == t.id && w.alive && w.className == L"Edit") typed = w.text;
  }
  CloseWindowsOf(t.id);
  if (t.cancelled) {
    SetError(ERROR_CANCELLED);
    return FALSE;
  }
  if (typed.empty()) {
    SetError(ERROR_INVALID_NAME);
    return FALSE;
  }
  if (!HasPort(typed)) spooler().ports.push_back(typed);
  return TRUE;
}

// Lets a blocked worker go on and waits until it has ended.
bool ReleaseAndJoin(ThreadRec &t) {
  if (t.state == ThreadState::Blocked) ::SetEvent(t.release);
  if (::WaitForSingleObject(t.real, kHandOverMs) == WAIT_OBJECT_0) return true;
  ADD_FAILURE() << "a released worker thread did not end";
  return false;
}

bool IsConfirmation(UINT msg, WPARAM wParam) {
  return (msg == WM_COMMAND && LOWORD(wParam) == IDOK) || (msg == WM_CHAR && wParam == 13);
}

std::wstring MessageText(UINT msg, WPARAM wParam, LPARAM lParam) {
  wchar_t text[64];
  const wchar_t *name = msg == WM_COMMAND ? L"WM_COMMAND" : msg == WM_CHAR ? L"WM_CHAR" : nullptr;
  if (name != nullptr) {
    std::swprintf(text, 64, L"%ls %llu %lld", name, (unsigned long long)wParam, (long long)lParam);
  } else {
    std::swprintf(text, 64, L"0x%X %llu %lld", msg, (unsigned long long)wParam, (long long)lParam);
  }
  return text;
}

}  // namespace

PortMonitor &portMonitor() { return gDesktop.monitor; }

const std::vector<Window> &Windows() { return gDesktop.windows; }

const Window *FirstWindowOfClass(const std::wstring &className) {
  for (const Window &w : gDesktop.windows) {
    if (w.className == className) return &w;
  }
  return nullptr;
}

std::vector<SimThread> Threads() {
  std::vector<SimThread> out;
  for (const auto &t : gThreads) {
    const bool blocked = t->state == ThreadState::Blocked;
    out.push_back(SimThread{t->id, blocked, t->state == ThreadState::Ended, t->terminated,
                            t->exitCode, t->polls});
  }
  return out;
}

DWORD WaitThread(HANDLE thread, DWORD ms) {
  ThreadRec *t = ThreadOf(thread);
  if (Enter("WaitForSingleObject", t != nullptr ? L"worker thread" : L"?")) return WAIT_FAILED;
  if (t == nullptr) {
    ADD_FAILURE() << "WaitForSingleObject on a handle that is no open thread";
    SetError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  Poll(*t);
  if (t->state == ThreadState::Blocked && !t->confirmed && !t->cancelled) {
    if (ms == INFINITE) {
      ADD_FAILURE() << "an endless wait on a worker that stays blocked in AddPortW";
      SetError(ERROR_INVALID_PARAMETER);
      return WAIT_FAILED;
    }
    Advance(ms);
    return WAIT_TIMEOUT;
  }
  return ReleaseAndJoin(*t) ? WAIT_OBJECT_0 : WAIT_FAILED;
}

}  // namespace sim

namespace os {

using namespace sim;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                    LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                    DWORD dwCreationFlags, LPDWORD lpThreadId) {
  if (Enter("CreateThread")) return nullptr;
  if (lpThreadAttributes != nullptr || dwStackSize != 0 || dwCreationFlags != 0) {
    ADD_FAILURE() << "CreateThread other than with default security and stack, started at once";
  }
  gThreads.push_back(std::make_unique<ThreadRec>());
  ThreadRec &t = *gThreads.back();
  t.start = lpStartAddress;
  t.param = lpParameter;
  t.settled = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  t.release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  t.real = ::CreateThread(nullptr, 0, RunWorker, &t, 0, &t.id);
  if (t.real == nullptr || ::WaitForSingleObject(t.settled, kHandOverMs) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the worker thread neither blocked in AddPortW nor ended";
  }
  HANDLE handle = NewHandle(HandleKind::Thread, L"worker thread");
  FindAnyHandle(handle)->extra = &t;
  if (lpThreadId != nullptr) *lpThreadId = t.id;
  return handle;
}

BOOL TerminateThread(HANDLE hThread, DWORD dwExitCode) {
  ThreadRec *t = ThreadOf(hThread);
  if (Enter("TerminateThread", t != nullptr ? L"worker thread" : L"?")) return FALSE;
  if (t == nullptr) {
    ADD_FAILURE() << "TerminateThread of a handle that is no open thread";
    SetError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (t->state != ThreadState::Blocked) return TRUE;
  t->terminate = true;
  t->exitCode = dwExitCode;
  t->terminated = ReleaseAndJoin(*t);
  if (t->terminated) t->state = ThreadState::Ended;
  CloseWindowsOf(t->id);
  return TRUE;
}

BOOL AddPortW(LPWSTR pName, HWND hWnd, LPWSTR pMonitorName) {
  {
    const std::wstring monitor = pMonitorName == nullptr ? L"" : pMonitorName;
    if (Enter("AddPortW", monitor)) return FALSE;
    if (pName != nullptr || hWnd != nullptr) {
      ADD_FAILURE() << "AddPortW on a server or with an owner window";
    }
    if (!SpoolerAvailable()) {
      SetError(RPC_S_SERVER_UNAVAILABLE);
      return FALSE;
    }
    if (!SameText(monitor, portMonitor().name)) {
      SetError(ERROR_INVALID_NAME);
      return FALSE;
    }
    if (!portMonitor().showsDialog) {
      SetError(portMonitor().errorWithoutDialog);
      return FALSE;
    }
  }
  ThreadRec *self = ThreadById(::GetCurrentThreadId());
  if (self == nullptr) {
    ADD_FAILURE() << "AddPortW on a thread the simulation did not start; it would block";
    SetError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  BlockInAddPort(*self);
  return CloseAddPortDialog(*self);
}

BOOL EnumThreadWindows(DWORD dwThreadId, WNDENUMPROC lpfn, LPARAM lParam) {
  if (Enter("EnumThreadWindows")) return FALSE;
  ThreadRec *t = ThreadById(dwThreadId);
  if (t != nullptr) Poll(*t);
  std::vector<HWND> found;
  for (const Window &w : gDesktop.windows) {
    if (w.alive && w.threadId == dwThreadId && w.parent == nullptr) found.push_back(w.hwnd);
  }
  for (HWND hwnd : found) {
    if (!lpfn(hwnd, lParam)) return FALSE;
  }
  return found.empty() ? FALSE : TRUE;
}

int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
  if (Enter("GetClassNameW")) return 0;
  const Window *w = WindowOf(hWnd);
  if (w == nullptr) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (nMaxCount <= 0) {
    SetError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const size_t n = w->className.size() < size_t(nMaxCount) ? w->className.size() : nMaxCount - 1;
  wmemcpy(lpClassName, w->className.c_str(), n);
  lpClassName[n] = L'\0';
  return int(n);
}

HWND FindWindowExW(HWND hWndParent, HWND hWndChildAfter, LPCWSTR lpszClass, LPCWSTR lpszWindow) {
  const std::wstring cls = lpszClass == nullptr ? L"" : lpszClass;
  if (Enter("FindWindowExW", cls)) return nullptr;
  if (WindowOf(hWndParent) == nullptr) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  bool past = hWndChildAfter == nullptr;
  for (const Window &w : gDesktop.windows) {
    if (!w.alive || w.parent != hWndParent) continue;
    if (!past) {
      past = w.hwnd == hWndChildAfter;
      continue;
    }
    if (lpszClass != nullptr && !SameText(w.className, cls)) continue;
    if (lpszWindow != nullptr && w.text != lpszWindow) continue;
    return w.hwnd;
  }
  SetError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
  const std::wstring text = lpString == nullptr ? L"" : lpString;
  if (Enter("SetWindowTextW", text)) return FALSE;
  Window *w = WindowOf(hWnd);
  if (w == nullptr) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  w->text = text;
  w->textsSet.push_back(text);
  return TRUE;
}

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Enter("PostMessageW", MessageText(Msg, wParam, lParam))) return FALSE;
  Window *w = WindowOf(hWnd);
  if (w == nullptr) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  w->posted.push_back(PostedMessage{Msg, wParam, lParam});
  ThreadRec *owner = ThreadById(w->threadId);
  if (owner != nullptr && w->className == L"#32770" && IsConfirmation(Msg, wParam)) {
    owner->confirmed = true;
  }
  return TRUE;
}

UINT MapVirtualKeyW(UINT uCode, UINT uMapType) {
  if (Enter("MapVirtualKeyW", std::to_wstring(uCode) + L" " + std::to_wstring(uMapType))) {
    return 0;
  }
  // The scan code of the Enter key on every standard keyboard layout.
  if (uCode == VK_RETURN && uMapType == MAPVK_VK_TO_VSC) return 0x1C;
  ADD_FAILURE() << "MapVirtualKeyW(" << uCode << ", " << uMapType << ") is not simulated";
  return 0;
}

}  // namespace os
