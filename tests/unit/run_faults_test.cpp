// The whole install run on a machine with an older installation: its end state, and the run
// under a fault at every OS call it makes.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "run/install_run.h"
#include "service/service_control.h"
#include "sim_printui.h"
#include "sim_test.h"
#include "spooler/local_port.h"

namespace {

const std::wstring kPrinter = L"Velnor图像虚拟打印机";
const std::wstring kPort = L"Velnor Local Port";
const std::wstring kProcDir = L"C:\\Windows\\system32\\spool\\prtprocs\\x64";
const std::wstring kOldCopies[] = {L"Velnor图像虚拟打印机", L"Velnor图像虚拟打印机 (副本 1)",
                                   L"VnV Draft"};

const char *PortCase(bool portPresent) { return portPresent ? "port present" : "port missing"; }

// An older installation: three printers of the model on the old processor, a printer of
// another model on it too, the processor registered with its DLL in place, the package beside
// the program, and printui carrying out the commands.
void OlderInstallation(bool portPresent) {
  sim::processes().onCreateProcess = sim::RunPrintUi;
  sim::PutFile(sim::InstallDir() + L"vnvprint.inf", "[Version]\nSignature=\"$Windows NT$\"\n");
  sim::PutFile(sim::InstallDir() + L"VnVProcessor.dll", "new dll");
  sim::PutFile(kProcDir + L"\\VnVProcessor.dll", "old dll");
  sim::spooler().processors.push_back({L"VnVProcessor", L"VnVProcessor.dll"});
  if (portPresent) sim::spooler().ports.push_back(kPort);
  sim::drivers() = {L"VnVPrint", L"Plotter Model", L"HP Universal"};
  for (const std::wstring &name : kOldCopies) {
    sim::AddPrinter(name, L"VnVPrint", L"VnVProcessor").port = portPresent ? kPort : L"LPT1:";
  }
  sim::AddPrinter(L"Plotter", L"Plotter Model", L"VnVProcessor");
  sim::AddPrinter(L"Office", L"HP Universal");
}

// One printer as "name / driver / port / processor".
std::string Describe(const sim::Printer &p) {
  return sim::Utf8(p.name + L" / " + p.driver + L" / " + p.port + L" / " + p.processor);
}

std::vector<std::string> Printers() {
  std::vector<std::string> out;
  for (const sim::Printer &p : sim::spooler().printers) out.push_back(Describe(p));
  return out;
}

std::vector<std::string> FormsOf(const std::wstring &printer) {
  std::vector<std::string> out;
  const sim::Printer *p = sim::FindPrinter(printer);
  if (p == nullptr) return out;
  for (const sim::Form &f : p->forms) {
    out.push_back(sim::Utf8(f.name) + " " + std::to_string(f.flags) + " " +
                  std::to_string(f.size.cx) + "x" + std::to_string(f.size.cy) + " " +
                  std::to_string(f.imageableArea.left) + "," + std::to_string(f.imageableArea.top) +
                  "," + std::to_string(f.imageableArea.right) + "," +
                  std::to_string(f.imageableArea.bottom));
  }
  return out;
}

// Calls the simulation only notes: they cannot fail.
const std::set<std::string> kCannotFail = {"GetTickCount", "Sleep", "GetProcessHeap", "lstrcmpiW"};

// Calls that release something: when one fails, that one object stays behind and nothing is
// left for the caller to do about it.
const std::set<std::string> kReleases = {"ClosePrinter", "CloseHandle", "CloseServiceHandle",
                                         "HeapFree", "LocalFree"};

// The error a failing call of this name would plausibly report on Windows.
DWORD FittingError(const std::string &fn) {
  static const std::map<std::string, DWORD> errors = {
      {"HeapAlloc", ERROR_NOT_ENOUGH_MEMORY},
      {"HeapReAlloc", ERROR_NOT_ENOUGH_MEMORY},
      {"LocalAlloc", ERROR_NOT_ENOUGH_MEMORY},
      {"CreateThread", ERROR_NOT_ENOUGH_MEMORY},
      {"CreateProcessW", ERROR_FILE_NOT_FOUND},
      {"GetModuleFileNameW", ERROR_INSUFFICIENT_BUFFER},
      {"CopyFileW", ERROR_SHARING_VIOLATION},
      {"OpenSCManagerW", ERROR_ACCESS_DENIED},
      {"OpenServiceW", ERROR_ACCESS_DENIED},
      {"ControlService", ERROR_SERVICE_CANNOT_ACCEPT_CTRL},
      {"StartServiceW", ERROR_SERVICE_REQUEST_TIMEOUT},
      {"OpenPrinterW", ERROR_INVALID_PRINTER_NAME},
      {"GetFormW", ERROR_INVALID_FORM_NAME},
      {"AddPortW", ERROR_CANCELLED},
  };
  auto it = errors.find(fn);
  if (it != errors.end()) return it->second;
  if (kReleases.count(fn) != 0) return ERROR_INVALID_HANDLE;
  return ERROR_ACCESS_DENIED;
}

// Longest a run may take in virtual time, whatever fails. The spooler is restarted twice (at
// the start and around the copy): each stop waits at most kStopWaitPolls polls, each start at
// most two attempts of ten 2-second sleeps. The port attempt gives up after
// kAddPortTimeLimitMs, plus the one 5 ms poll that sees the limit passed. Nothing else waits.
constexpr DWORD kStartWaitMs = 2 * 10 * 2000;
constexpr DWORD kRunBoundMs =
    2 * (kStopWaitPolls * kStopPollMs + kStartWaitMs) + kAddPortTimeLimitMs + 5;

}  // namespace

class RunFaultsTest : public SimTest {};

TEST_F(RunFaultsTest, PrintUiCarriesOutTheInstallersCommandsAsWindowsDoes) {
  const std::wstring run = L"C:\\Windows\\system32\\rundll32.exe printui.dll, PrintUIEntry ";
  const std::wstring inf = sim::InstallDir() + L"vnvprint.inf";
  auto install = [&](const std::wstring &name, const std::wstring &infPath,
                     const std::wstring &port) {
    return run + L"/if /b \"" + name + L"\" /f \"" + infPath + L"\" /r \"" + port +
           L"\" /m \"VnVPrint\"";
  };
  struct Row {
    const char *what;
    std::wstring commandLine;
    bool starts;
    bool refused;
    std::vector<std::string> printers;  // afterwards
    std::vector<std::wstring> drivers;  // afterwards
  };
  const std::string a = "A / VnVPrint / LPT1: / WinPrint", b = "B / Other / LPT1: / WinPrint";
  const std::string created = "New / VnVPrint / Velnor Local Port / WinPrint";
  const std::vector<std::wstring> all = {L"VnVPrint", L"Other", L"Unused"};
  const std::vector<std::wstring> used = {L"VnVPrint", L"Other"};
  const std::wstring driverRemoval =
      L"C:\\Windows\\system32\\rundll32.exe printui.dll,PrintUIEntry /dd /m \"VnVPrint\" /q /f \"" +
      inf + L"\" /r \"LPT1:\" /m \"VnVPrint\"";
  const Row rows[] = {
      {"printer removal", run + L"/dl /n \"A\" /q", true, false, {b}, all},
      {"removal of a missing printer", run + L"/dl /n \"Z\" /q", true, true, {a, b}, all},
      {"removal of a driver in use", driverRemoval, true, true, {a, b}, all},
      {"removal of an unused driver", run + L"/dd /m \"Unused\" /q", true, false, {a, b}, used},
      {"installation", install(L"New", inf, kPort), true, false, {a, b, created}, all},
      {"installation, no INF", install(L"New", L"C:\\no.inf", kPort), true, true, {a, b}, all},
      {"installation without the port", install(L"New", inf, L"No Port"), true, true, {a, b}, all},
      {"installation over an existing name", install(L"a", inf, kPort), true, true, {a, b}, all},
      {"not the system's rundll32",
       L"C:\\rundll32.exe printui.dll,PrintUIEntry",
       false,
       false,
       {a, b},
       all},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    sim::Reset();
    sim::PutFile(sim::InstallDir() + L"vnvprint.inf", "[Version]");
    sim::spooler().ports.push_back(kPort);
    sim::drivers() = all;
    sim::AddPrinter(L"A", L"VnVPrint");
    sim::AddPrinter(L"B", L"Other");
    EXPECT_EQ(sim::RunPrintUi(row.commandLine), row.starts);
    EXPECT_EQ(!sim::PrintUiRefusals().empty(), row.refused);
    EXPECT_EQ(Printers(), row.printers);
    EXPECT_EQ(sim::drivers(), row.drivers);
  }
}

TEST_F(RunFaultsTest, OlderInstallationEndsInTheInstallersState) {
  for (bool portPresent : {true, false}) {
    SCOPED_TRACE(PortCase(portPresent));
    sim::Reset();
    OlderInstallation(portPresent);
    EXPECT_EQ(RunInstall(), 1);
    const std::vector<std::string> expectedPrinters = {
        "Plotter / Plotter Model / LPT1: / WinPrint", "Office / HP Universal / LPT1: / WinPrint",
        sim::Utf8(kPrinter) + " / VnVPrint / Velnor Local Port / VnVProcessor"};
    EXPECT_EQ(Printers(), expectedPrinters);
    const std::vector<std::string> expectedForms = {
        "A0 图纸 0 841000x1189000 0,0,841000,1189000", "A1 图纸 0 594000x841000 0,0,594000,841000",
        "用户自定义纸张 0 210000x297000 0,0,210000,297000"};
    EXPECT_EQ(FormsOf(kPrinter), expectedForms);
    EXPECT_TRUE(sim::HasPort(kPort));
    EXPECT_TRUE(sim::HasProcessor(L"VnVProcessor"));
    EXPECT_EQ(sim::FileContent(kProcDir + L"\\VnVProcessor.dll"), "new dll");
    EXPECT_TRUE(sim::HasDriver(L"VnVPrint"));
    EXPECT_TRUE(sim::PrintUiRefusals().empty()) << sim::PrintUiRefusals().front();
    const sim::Service *spooler = sim::FindService(L"spooler");
    ASSERT_NE(spooler, nullptr);
    EXPECT_EQ(spooler->state, DWORD(SERVICE_RUNNING));
    EXPECT_TRUE(sim::LeakReport().empty());
  }
}

TEST_F(RunFaultsTest, EveryCallFailingInTurnStillEndsTheRunBoundedAndClean) {
  for (bool portPresent : {true, false}) {
    sim::Reset();
    OlderInstallation(portPresent);
    ASSERT_EQ(RunInstall(), 1);
    const std::vector<std::string> calls = sim::CallNames();
    for (size_t i = 0; i < calls.size(); ++i) {
      if (kCannotFail.count(calls[i]) != 0) continue;
      SCOPED_TRACE(std::string(PortCase(portPresent)) + ", call " + std::to_string(i) + " " +
                   calls[i] + " fails");
      sim::Reset();
      OlderInstallation(portPresent);
      sim::FailCallAt(i, FittingError(calls[i]));
      const DWORD start = sim::Now();
      const int result = RunInstall();
      EXPECT_EQ(result, calls[i] == "GetModuleFileNameW" ? -1 : 1);
      EXPECT_LE(sim::Now() - start, kRunBoundMs);
      const std::vector<std::string> leaks = sim::LeakReport();
      const size_t allowed = kReleases.count(calls[i]) != 0 ? 1 : 0;
      EXPECT_LE(leaks.size(), allowed) << "first: " << (leaks.empty() ? "" : leaks.front());
    }
    sim::Reset();
  }
}
