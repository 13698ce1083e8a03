#include "spooler/local_port.h"

#include <string>
#include <vector>

#include "identity.h"
#include "os/win32_api.h"
#include "run/install_run.h"
#include "sim_test.h"

namespace {

using Calls = std::vector<std::string>;
using Messages = std::vector<sim::PostedMessage>;

const Messages kConfirmation = {{WM_COMMAND, IDOK, 0}, {WM_CHAR, 13, 0x1C}};
const Calls kTyping = {"SetWindowTextW(Velnor Local Port)", "PostMessageW(WM_COMMAND 1 0)",
                       "PostMessageW(WM_CHAR 13 28)"};

Calls Typing() { return sim::CallsOf({"SetWindowTextW", "PostMessageW"}); }

// The one worker of the attempt.
sim::SimThread Worker() {
  const std::vector<sim::SimThread> threads = sim::Threads();
  EXPECT_EQ(threads.size(), 1u);
  return threads.empty() ? sim::SimThread{} : threads[0];
}

class LocalPortTest : public SimTest {};

TEST_F(LocalPortTest, IsPortInstalledComparesNamesWithoutLetterCase) {
  static const struct {
    const char *name;
    std::vector<std::wstring> ports;
    DWORD found;
  } kCases[] = {
      {"same name", {L"LPT1:", L"Velnor Local Port", L"FILE:"}, 1},
      {"other letter case", {L"LPT1:", L"VELNOR local PORT"}, 1},
      {"absent", {L"LPT1:", L"COM1:", L"FILE:"}, 0},
      {"only a longer name", {L"Velnor Local Port 2"}, 0},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    sim::spooler().ports = c.ports;
    DWORD found = 7;
    EXPECT_EQ(IsPortInstalled(&found, VNV_PORT_NAME), 1);
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(sim::LiveHeapBlockCount(), 0u);
  }
}

// Ports that cannot be listed leave `found` as it was and release what was allocated.
TEST_F(LocalPortTest, IsPortInstalledIsZeroWhenThePortsCannotBeListed) {
  static const struct {
    const char *name;
    const char *failingCall;
    DWORD error;
    int skip;
  } kCases[] = {
      {"size query fails", "EnumPortsW", RPC_S_SERVER_UNAVAILABLE, 0},
      {"buffer cannot be had", "HeapAlloc", ERROR_NOT_ENOUGH_MEMORY, 0},
      {"list grew between the calls", "EnumPortsW", ERROR_INSUFFICIENT_BUFFER, 1},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    sim::FailCall(c.failingCall, c.error, 1, c.skip);
    DWORD found = 7;
    EXPECT_EQ(IsPortInstalled(&found, VNV_PORT_NAME), 0);
    EXPECT_EQ(found, 7u);
    EXPECT_EQ(sim::LiveHeapBlockCount(), 0u);
  }
}

TEST_F(LocalPortTest, IsPortInstalledIsZeroWhileTheSpoolerIsStopped) {
  sim::FindService(L"spooler")->state = SERVICE_STOPPED;
  DWORD found = 7;
  EXPECT_EQ(IsPortInstalled(&found, VNV_PORT_NAME), 0);
  EXPECT_EQ(found, 7u);
}

TEST_F(LocalPortTest, AddLocalPortTypesTheNameIntoTheMonitorsDialogAndConfirms) {
  EXPECT_EQ(AddLocalPort(VNV_PORT_NAME), 1);
  EXPECT_TRUE(sim::HasPort(VNV_PORT_NAME));
  EXPECT_EQ(sim::CallsOf({"AddPortW"}), (Calls{"AddPortW(Local Port)"}));
  EXPECT_EQ(Typing(), kTyping);
  const sim::Window *dialog = sim::FirstWindowOfClass(L"#32770");
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->posted, kConfirmation);
  EXPECT_EQ(sim::FirstWindowOfClass(L"Edit")->textsSet, std::vector<std::wstring>{VNV_PORT_NAME});
  EXPECT_FALSE(Worker().terminated);
}

// However late the dialog comes and whatever comes before it, only the dialog is typed into.
TEST_F(LocalPortTest, DialogIsFoundAmongTheWorkersWindowsWhenItComesUp) {
  static const struct {
    const char *name;
    std::vector<sim::PlannedWindow> windows;
  } kCases[] = {
      {"at once", {{L"#32770", 0, {L"Static", L"Edit", L"Button"}}}},
      {"after seven polls", {{L"#32770", 7, {L"Static", L"Edit", L"Button"}}}},
      {"after a window of another class",
       {{L"VnVSplash", 0, {L"Edit"}}, {L"#32770", 3, {L"Edit", L"Button"}}}},
      {"behind a window of another class", {{L"VnVSplash", 0, {}}, {L"#32770", 0, {L"Edit"}}}},
      {"dialog whose edit field is not its first child",
       {{L"#32770", 2, {L"Button", L"Static", L"Edit"}}}},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    sim::portMonitor().windows = c.windows;
    EXPECT_EQ(AddLocalPort(VNV_PORT_NAME), 1);
    EXPECT_TRUE(sim::HasPort(VNV_PORT_NAME));
    EXPECT_EQ(Typing(), kTyping);
    for (const sim::Window &w : sim::Windows()) {
      SCOPED_TRACE(sim::Utf8(w.className));
      const bool isDialog = w.className == L"#32770";
      const bool isItsEdit = w.className == L"Edit" && w.parent != nullptr &&
                             sim::FirstWindowOfClass(L"#32770")->hwnd == w.parent;
      EXPECT_EQ(w.posted, isDialog ? kConfirmation : Messages{});
      EXPECT_EQ(w.textsSet.size(), isItsEdit ? 1u : 0u);
    }
  }
}

TEST_F(LocalPortTest, DialogWithoutEditFieldIsPolledUntilTheWorkerEnds) {
  sim::portMonitor().windows = {{L"#32770", 0, {L"Static", L"Button"}}};
  sim::portMonitor().closesAfterPolls = 12;
  EXPECT_EQ(AddLocalPort(VNV_PORT_NAME), 1);
  EXPECT_TRUE(Typing().empty());
  EXPECT_GT(sim::CallsOf({"FindWindowExW"}).size(), 1u) << "the search must keep polling";
  EXPECT_FALSE(sim::HasPort(VNV_PORT_NAME));
  EXPECT_FALSE(Worker().terminated);
}

// An AddPortW that returns without a dialog ends the worker; the attempt reports 1 and types
// nothing.
TEST_F(LocalPortTest, AddPortWithoutDialogEndsTheAttemptWithoutTyping) {
  static const struct {
    const char *name;
    bool showsDialog;
    const char *failingCall;
    DWORD spoolerState;
  } kCases[] = {
      {"monitor shows no dialog", false, nullptr, SERVICE_RUNNING},
      {"AddPortW fails", true, "AddPortW", SERVICE_RUNNING},
      {"spooler stopped", true, nullptr, SERVICE_STOPPED},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    sim::portMonitor().showsDialog = c.showsDialog;
    if (c.failingCall != nullptr) sim::FailCall(c.failingCall, ERROR_ACCESS_DENIED);
    sim::FindService(L"spooler")->state = c.spoolerState;
    EXPECT_EQ(AddLocalPort(VNV_PORT_NAME), 1);
    EXPECT_TRUE(Typing().empty());
    EXPECT_TRUE(sim::CallsOf({"TerminateThread"}).empty());
    EXPECT_TRUE(Worker().ended);
    EXPECT_EQ(sim::OpenHandleCount(), 0u);
  }
}

int gContinueCalls = 0;
int StopAtOnce() {
  ++gContinueCalls;
  return 0;
}

// Attempts that are cut off terminate the worker, still inside AddPortW, and return 0.
TEST_F(LocalPortTest, CutOffAttemptTerminatesTheWorkerAndReturnsZero) {
  static const struct {
    const char *name;
    bool dialog;
    int waitFailuresSkipped;  // -1: no wait fails
    DWORD timeout;
    int (*pfnContinue)();
    bool typed;
  } kCases[] = {
      {"wait fails before a dialog", false, 0, kNoTimeLimit, nullptr, false},
      {"wait fails after the name was typed", true, 1, kNoTimeLimit, nullptr, true},
      {"time limit passes without a dialog", false, -1, 100, nullptr, false},
      {"continue check says stop", true, -1, kNoTimeLimit, StopAtOnce, false},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    if (!c.dialog) sim::portMonitor().windows.clear();
    if (c.waitFailuresSkipped >= 0) {
      sim::FailCall("WaitForSingleObject", ERROR_INVALID_HANDLE, 1, c.waitFailuresSkipped);
    }
    gContinueCalls = 0;
    const PortAttemptSettings settings = {c.timeout, 5, c.pfnContinue, nullptr};
    EXPECT_EQ(AddLocalPortWith(VNV_PORT_NAME, settings), 0);
    EXPECT_EQ(Typing(), c.typed ? kTyping : Calls{});
    EXPECT_TRUE(Worker().terminated);
    EXPECT_EQ(Worker().exitCode, 0u);
    EXPECT_FALSE(sim::HasPort(VNV_PORT_NAME));
    EXPECT_EQ(sim::CallsOf({"TerminateThread", "CloseHandle"}),
              (Calls{"TerminateThread(worker thread)", "CloseHandle(worker thread)"}));
    if (c.pfnContinue != nullptr) {
      EXPECT_EQ(gContinueCalls, 1);
    }
  }
}

// The limit is measured on the tick count; the attempt ends within one poll after it.
TEST_F(LocalPortTest, TimeLimitEndsTheAttemptWithinOnePollOfIt) {
  static const struct {
    const char *name;
    DWORD limit;
    bool productSettings;
  } kCases[] = {
      {"limit given", 100, false},
      {"the installer's own limit", kAddPortTimeLimitMs, true},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    sim::portMonitor().windows.clear();
    const DWORD start = sim::Now();
    const PortAttemptSettings settings = {c.limit, 5, nullptr, nullptr};
    EXPECT_EQ(
        c.productSettings ? AddLocalPort(VNV_PORT_NAME) : AddLocalPortWith(VNV_PORT_NAME, settings),
        0);
    const DWORD elapsed = sim::Now() - start;
    EXPECT_GT(elapsed, c.limit);
    EXPECT_LE(elapsed, c.limit + 5);
    EXPECT_TRUE(Worker().terminated);
  }
}

TEST_F(LocalPortTest, NoWorkerMeansNoAttempt) {
  sim::FailCall("CreateThread", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(AddLocalPort(VNV_PORT_NAME), 0);
  EXPECT_TRUE(sim::Threads().empty());
  EXPECT_TRUE(sim::CallsOf({"EnumThreadWindows", "TerminateThread", "CloseHandle"}).empty());
}

TEST_F(LocalPortTest, MonitorNameSettingReplacesTheLocalPortMonitor) {
  static WCHAR otherMonitor[] = L"Other Monitor";
  const PortAttemptSettings settings = {kNoTimeLimit, 5, nullptr, otherMonitor};
  EXPECT_EQ(AddLocalPortWith(VNV_PORT_NAME, settings), 1);
  EXPECT_EQ(sim::CallsOf({"AddPortW"}), (Calls{"AddPortW(Other Monitor)"}));
  EXPECT_TRUE(Typing().empty()) << "the simulated machine has no such monitor";
}

// Phase 6 of the run: the port is created only when it cannot be found.
TEST_F(LocalPortTest, InstallRunCreatesTheMissingPortThroughTheDialog) {
  EXPECT_EQ(RunInstall(), 1);
  EXPECT_TRUE(sim::HasPort(VNV_PORT_NAME));
  EXPECT_EQ(sim::CallsOf({"AddPortW"}), (Calls{"AddPortW(Local Port)"}));
  EXPECT_EQ(Typing(), kTyping);
}

TEST_F(LocalPortTest, InstallRunLeavesAPortOfAnyLetterCaseAlone) {
  sim::spooler().ports.push_back(L"VELNOR LOCAL PORT");
  EXPECT_EQ(RunInstall(), 1);
  EXPECT_TRUE(sim::CallsOf({"CreateThread", "AddPortW"}).empty());
  EXPECT_EQ(sim::spooler().ports.back(), L"VELNOR LOCAL PORT");
}

}  // namespace
