// The simulated window manager, worker threads and the "Local Port" monitor's add-port dialog.
//
// A worker started with CreateThread is a real thread. When it calls AddPortW it blocks there,
// as on Windows while the monitor's dialog is open, until the dialog is confirmed or closed or
// the thread is terminated. The windows of the dialog come up after a chosen number of polls:
// every EnumThreadWindows of the worker's thread and every wait on the worker is one poll.
// A wait on a blocked worker returns WAIT_TIMEOUT at once and advances the virtual clock.
#pragma once

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

namespace sim {

// For PortMonitor::closesAfterPolls: the dialog stays open until it is confirmed.
constexpr int kNever = -1;

struct PostedMessage {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const PostedMessage &o) const {
    return msg == o.msg && wParam == o.wParam && lParam == o.lParam;
  }
};

// Readable in test failure messages.
inline void PrintTo(const PostedMessage &m, std::ostream *os) {
  *os << "{msg 0x" << std::hex << m.msg << std::dec << ", wParam " << m.wParam << ", lParam "
      << m.lParam << "}";
}

struct Window {
  HWND hwnd;
  DWORD threadId;  // the thread that owns it
  HWND parent;     // null for a top-level window
  std::wstring className;
  std::wstring text;
  std::vector<std::wstring> textsSet;  // every SetWindowTextW, in order
  std::vector<PostedMessage> posted;   // every PostMessageW, in order
  bool alive = true;
};

// A top-level window the monitor shows on the calling thread while AddPortW runs.
struct PlannedWindow {
  std::wstring className;
  int afterPolls = 0;                  // polls that do not see it yet
  std::vector<std::wstring> children;  // classes of its child windows, in order
};

struct PortMonitor {
  std::wstring name = L"Local Port";
  // False: AddPortW fails at once with errorWithoutDialog and shows nothing.
  bool showsDialog = true;
  DWORD errorWithoutDialog = ERROR_NOT_SUPPORTED;
  // The windows shown; a "#32770" among them is the dialog. Empty: it never comes up.
  std::vector<PlannedWindow> windows = {{L"#32770", 0, {L"Static", L"Edit", L"Button", L"Button"}}};
  // The dialog is cancelled (AddPortW returns FALSE, ERROR_CANCELLED) once this many polls
  // were made; kNever: only confirming it ends it.
  int closesAfterPolls = kNever;
};

// A worker thread as the test sees it.
struct SimThread {
  DWORD id;
  bool blocked;  // inside AddPortW, not yet released
  bool ended;
  bool terminated;  // ended by TerminateThread
  DWORD exitCode;
  int polls;
};

// The monitor behind AddPortW on the current machine; Reset() restores the defaults above:
// the dialog with its "Edit" field comes up at once, and confirming it (WM_COMMAND IDOK or
// WM_CHAR carriage return) adds the typed port and makes AddPortW return TRUE.
PortMonitor &portMonitor();
// Every window made since Reset(), closed ones included, in the order they came up.
const std::vector<Window> &Windows();
// The first window of that class made since Reset(), or null.
const Window *FirstWindowOfClass(const std::wstring &className);
// Every worker thread started since Reset().
std::vector<SimThread> Threads();

}  // namespace sim
