#include "service/service_control.h"

#include <string>
#include <vector>

#include "os/win32_api.h"
#include "sim_test.h"

namespace {

using Calls = std::vector<std::string>;

const wchar_t kSpooler[] = L"spooler";

sim::Service &Spooler() { return *sim::FindService(kSpooler); }

Calls SleepsOf(int n, int ms) { return Calls(size_t(n), "Sleep(" + std::to_string(ms) + ")"); }

class ServiceControlTest : public SimTest {};

// Each operation asks for its own rights on the local active database, and closes the service
// before the manager.
TEST_F(ServiceControlTest, OpensWithItsRightsAndClosesServiceThenManager) {
  static const struct {
    const char *name;
    int (*operation)(LPCWSTR);
    Calls opens;
  } kCases[] = {
      {"IsServiceRunning",
       IsServiceRunning,
       {"OpenSCManagerW(0x80000000)", "OpenServiceW(spooler 0x4)"}},
      {"StopServiceAndWait",
       StopServiceAndWait,
       {"OpenSCManagerW(0x20000000)", "OpenServiceW(spooler 0x24)"}},
      {"StartServiceAndWait",
       StartServiceAndWait,
       {"OpenSCManagerW(0x20000000)", "OpenServiceW(spooler 0x14)"}},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    c.operation(kSpooler);
    Calls expected = c.opens;
    expected.push_back("CloseServiceHandle(spooler)");
    expected.push_back("CloseServiceHandle(service manager)");
    EXPECT_EQ(sim::CallsOf({"OpenSCManagerW", "OpenServiceW", "CloseServiceHandle"}), expected);
    EXPECT_EQ(sim::OpenHandleCount(), 0u);
  }
}

TEST_F(ServiceControlTest, IsServiceRunningReadsOnlyTheRunningState) {
  static const struct {
    const char *name;
    DWORD state;
    const wchar_t *service;
    int expected;
  } kCases[] = {
      {"running", SERVICE_RUNNING, kSpooler, 1},
      {"stopped", SERVICE_STOPPED, kSpooler, 0},
      {"paused", SERVICE_PAUSED, kSpooler, 0},
      {"no such service", SERVICE_RUNNING, L"nosuchservice", 0},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    Spooler().state = c.state;
    EXPECT_EQ(IsServiceRunning(c.service), c.expected);
  }
}

// Whatever cannot be opened or read counts as not running, and nothing stays open.
TEST_F(ServiceControlTest, FailuresOfEveryStepAreReportedAsNotRunning) {
  static const struct {
    const char *name;
    const char *failingCall;
    bool serviceDenied;
  } kCases[] = {
      {"manager cannot be opened", "OpenSCManagerW", false},
      {"service cannot be opened", "OpenServiceW", false},
      {"status cannot be read", "QueryServiceStatus", false},
      {"service access denied", nullptr, true},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    if (c.failingCall != nullptr) sim::FailCall(c.failingCall, ERROR_ACCESS_DENIED);
    Spooler().accessDenied = c.serviceDenied;
    EXPECT_EQ(IsServiceRunning(kSpooler), 0);
    EXPECT_EQ(sim::OpenHandleCount(), 0u);
  }
}

TEST_F(ServiceControlTest, StoppingAStoppedServicePollsOnceAndSucceeds) {
  Spooler().state = SERVICE_STOPPED;
  EXPECT_EQ(StopServiceAndWait(kSpooler), 1);
  EXPECT_EQ(sim::CallsOf({"ControlService", "Sleep", "QueryServiceStatus"}),
            (Calls{"ControlService(spooler)", "Sleep(200)", "QueryServiceStatus(spooler)"}));
  EXPECT_EQ(Spooler().stops, 0);
}

TEST_F(ServiceControlTest, StopWaitsInStepsOf200MsUntilStopped) {
  Spooler().stopPendingQueries = 3;
  EXPECT_EQ(StopServiceAndWait(kSpooler), 1);
  EXPECT_EQ(Spooler().state, DWORD(SERVICE_STOPPED));
  EXPECT_EQ(Spooler().queries, 4);
  EXPECT_EQ(sim::CallsOf({"Sleep"}), SleepsOf(4, 200));
  EXPECT_FALSE(sim::SpoolerAvailable());
}

TEST_F(ServiceControlTest, StopGivesUpOnAServiceThatNeverStops) {
  Spooler().stopPendingQueries = sim::kForEver;
  EXPECT_EQ(StopServiceAndWait(kSpooler), 0);
  EXPECT_EQ(Spooler().queries, kStopWaitPolls);
  EXPECT_EQ(sim::SleptMs(), DWORD(kStopWaitPolls) * kStopPollMs);
  EXPECT_LE(sim::SleptMs(), 60000u) << "the stop wait must stay short for a silent installer";
}

TEST_F(ServiceControlTest, StopFailuresEndAtOnceOrAfterAnUnreadableStatus) {
  static const struct {
    const char *name;
    DWORD stopError;
    const wchar_t *service;
    const char *failingCall;
    int expected;
    int sleeps;
  } kCases[] = {
      {"stop refused", ERROR_INVALID_SERVICE_CONTROL, kSpooler, nullptr, 0, 0},
      {"no such service", 0, L"nosuchservice", nullptr, 0, 0},
      {"manager cannot be opened", 0, kSpooler, "OpenSCManagerW", 0, 0},
      {"control fails for lack of rights", 0, kSpooler, "ControlService", 0, 0},
      {"status unreadable after the stop", 0, kSpooler, "QueryServiceStatus", 1, 1},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    Spooler().stopError = c.stopError;
    if (c.failingCall != nullptr) sim::FailCall(c.failingCall, ERROR_ACCESS_DENIED);
    EXPECT_EQ(StopServiceAndWait(c.service), c.expected);
    EXPECT_EQ(sim::CallsOf({"Sleep"}), SleepsOf(c.sleeps, 200));
    EXPECT_EQ(sim::OpenHandleCount(), 0u);
  }
}

TEST_F(ServiceControlTest, StartingARunningServiceProbesThePrintServerAndSucceeds) {
  EXPECT_EQ(StartServiceAndWait(kSpooler), 1);
  EXPECT_EQ(sim::CallsOf(
                {"StartServiceW", "QueryServiceStatus", "Sleep", "OpenPrinterW", "ClosePrinter"}),
            (Calls{"StartServiceW(spooler)", "QueryServiceStatus(spooler)", "OpenPrinterW",
                   "ClosePrinter(local print server)"}));
  EXPECT_EQ(Spooler().starts, 0);
}

TEST_F(ServiceControlTest, StartWaitsInStepsOf2000MsUntilRunning) {
  Spooler().state = SERVICE_STOPPED;
  Spooler().startPendingQueries = 3;
  EXPECT_EQ(StartServiceAndWait(kSpooler), 1);
  EXPECT_EQ(Spooler().state, DWORD(SERVICE_RUNNING));
  EXPECT_EQ(Spooler().starts, 1);
  EXPECT_EQ(Spooler().queries, 4);
  EXPECT_EQ(sim::CallsOf({"Sleep"}), SleepsOf(3, 2000));
  EXPECT_TRUE(sim::SpoolerAvailable());
}

TEST_F(ServiceControlTest, StartOfAServiceStuckStartingGivesUpAfterElevenQueries) {
  Spooler().state = SERVICE_STOPPED;
  Spooler().startPendingQueries = sim::kForEver;
  EXPECT_EQ(StartServiceAndWait(kSpooler), 0);
  EXPECT_EQ(Spooler().queries, 11);
  EXPECT_EQ(sim::CallsOf({"Sleep"}), SleepsOf(10, 2000));
  EXPECT_TRUE(sim::CallsOf({"OpenPrinterW"}).empty()) << "no probe of a service not running";
}

// A print server that does not answer gets one more start (which finds the service running)
// and one more probe; the service ran, so the result is 1 either way.
TEST_F(ServiceControlTest, PrintServerProbeThatFailsMakesASecondAttempt) {
  static const struct {
    const char *name;
    int probeFailures;  // -1: every probe fails
    Calls probes;
  } kCases[] = {
      {"never answers", -1, {"OpenPrinterW", "OpenPrinterW"}},
      {"answers the second time",
       1,
       {"OpenPrinterW", "OpenPrinterW", "ClosePrinter(local print server)"}},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    Spooler().state = SERVICE_STOPPED;
    sim::FailCall("OpenPrinterW", RPC_S_SERVER_UNAVAILABLE, c.probeFailures);
    EXPECT_EQ(StartServiceAndWait(kSpooler), 1);
    EXPECT_EQ(sim::CallsOf({"StartServiceW"}).size(), 2u);
    EXPECT_EQ(Spooler().starts, 1) << "the second start finds the service running";
    EXPECT_EQ(sim::CallsOf({"OpenPrinterW", "ClosePrinter"}), c.probes);
  }
}

TEST_F(ServiceControlTest, StartFailuresReturnZeroAtOnce) {
  static const struct {
    const char *name;
    DWORD startError;
    const wchar_t *service;
    const char *failingCall;
    int skip;
    int starts;
  } kCases[] = {
      {"service disabled", ERROR_SERVICE_DISABLED, kSpooler, nullptr, 0, 1},
      {"no such service", 0, L"nosuchservice", nullptr, 0, 0},
      {"service cannot be opened", 0, kSpooler, "OpenServiceW", 0, 0},
      {"status unreadable", 0, kSpooler, "QueryServiceStatus", 0, 1},
      // The first attempt saw it running, the probe failed, the second start fails.
      {"second start fails", 0, kSpooler, "StartServiceW", 1, 2},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    sim::Reset();
    Spooler().state = SERVICE_STOPPED;
    Spooler().startError = c.startError;
    if (c.failingCall != nullptr) sim::FailCall(c.failingCall, ERROR_ACCESS_DENIED, 1, c.skip);
    sim::FailCall("OpenPrinterW", RPC_S_SERVER_UNAVAILABLE);
    EXPECT_EQ(StartServiceAndWait(c.service), 0);
    EXPECT_EQ(sim::CallsOf({"StartServiceW"}).size(), size_t(c.starts));
    EXPECT_TRUE(sim::CallsOf({"Sleep"}).empty());
    EXPECT_EQ(sim::OpenHandleCount(), 0u);
  }
}

TEST_F(ServiceControlTest, RestartStopsARunningServiceThenStartsIt) {
  Spooler().stopPendingQueries = 2;
  Spooler().startPendingQueries = 1;
  EXPECT_EQ(RestartService(kSpooler), 1);
  EXPECT_EQ(sim::CallsOf({"ControlService", "StartServiceW"}),
            (Calls{"ControlService(spooler)", "StartServiceW(spooler)"}));
  EXPECT_EQ(Spooler().stops, 1);
  EXPECT_EQ(Spooler().starts, 1);
  EXPECT_EQ(Spooler().state, DWORD(SERVICE_RUNNING));
}

TEST_F(ServiceControlTest, RestartOfAStoppedServiceOnlyStartsIt) {
  Spooler().state = SERVICE_STOPPED;
  EXPECT_EQ(RestartService(kSpooler), 1);
  EXPECT_TRUE(sim::CallsOf({"ControlService"}).empty());
  EXPECT_EQ(Spooler().starts, 1);
  EXPECT_EQ(Spooler().state, DWORD(SERVICE_RUNNING));
}

TEST_F(ServiceControlTest, RestartReturnsTheStartsResult) {
  Spooler().startError = ERROR_SERVICE_DISABLED;
  EXPECT_EQ(RestartService(kSpooler), 0);
  EXPECT_EQ(Spooler().state, DWORD(SERVICE_STOPPED));
}

// The spooler's calls fail while its service is down, as Windows' RPC client does.
TEST_F(ServiceControlTest, SpoolerCallsFailWhileTheServiceIsStopped) {
  ASSERT_EQ(StopServiceAndWait(kSpooler), 1);
  HANDLE hServer = nullptr;
  EXPECT_FALSE(os::OpenPrinterW(nullptr, &hServer, nullptr));
  EXPECT_EQ(os::GetLastError(), DWORD(RPC_S_SERVER_UNAVAILABLE));
  ASSERT_EQ(StartServiceAndWait(kSpooler), 1);
  EXPECT_TRUE(sim::SpoolerAvailable());
}

}  // namespace
