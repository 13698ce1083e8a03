#include "spooler/print_processor.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "sim_test.h"

namespace {

const std::wstring kPrinter = L"Velnor图像虚拟打印机";
const std::wstring kProcDir = L"C:\\Windows\\system32\\spool\\prtprocs\\x64";
const std::wstring kTargetDll = kProcDir + L"\\VnVProcessor.dll";

// Every level-2 field the spooler keeps, for comparing a printer before and after.
std::string Fields(const sim::Printer &p) {
  std::string out;
  for (const std::wstring *s : {&p.name, &p.driver, &p.port, &p.processor, &p.shareName, &p.comment,
                                &p.location, &p.sepFile, &p.datatype, &p.parameters}) {
    out += sim::Utf8(*s) + "|";
  }
  for (DWORD n : {p.attributes, p.priority, p.defaultPriority, p.startTime, p.untilTime}) {
    out += std::to_string(n) + "|";
  }
  return out;
}

std::string ProcessorOf(const std::wstring &printer) {
  const sim::Printer *p = sim::FindPrinter(printer);
  return p == nullptr ? "<no printer>" : sim::Utf8(p->processor);
}

// Printers opened by name, in order (the print server probe after a start is left out).
std::vector<std::string> PrinterOpens() {
  std::vector<std::string> opens;
  for (const std::string &call : sim::CallsOf({"OpenPrinterW"})) {
    if (call != "OpenPrinterW") opens.push_back(call);
  }
  return opens;
}

std::string CopyCall() {
  return "CopyFileW(" + sim::Utf8(sim::InstallDir()) + "VnVProcessor.dll -> " +
         sim::Utf8(kTargetDll) + ")";
}

}  // namespace

class PrintProcessorTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    sim::PutFile(sim::InstallDir() + L"VnVProcessor.dll", "new dll");
  }
  // The older installation's processor: registered, its DLL in the processor directory.
  static void RegisterOldProcessor() {
    sim::spooler().processors.push_back({L"VnVProcessor", L"VnVProcessor.dll"});
    sim::PutFile(kTargetDll, "old dll");
  }
  static void Deploy() { DeployPrintProcessor(sim::InstallDir().c_str()); }
};

TEST_F(PrintProcessorTest, IsInstalledComparesExactlyInOneBufferOf1024Bytes) {
  struct Row {
    const char *what;
    std::vector<std::wstring> registered;
    int expected;
  };
  const Row rows[] = {
      {"only the standard one", {L"WinPrint"}, 0},
      {"registered", {L"WinPrint", L"VnVProcessor"}, 1},
      {"registered first", {L"VnVProcessor", L"WinPrint"}, 1},
      {"other letter case", {L"WinPrint", L"vnvprocessor"}, 0},
      {"longer name", {L"WinPrint", L"VnVProcessor2"}, 0},
      {"shorter name", {L"WinPrint", L"VnVProcesso"}, 0},
      {"none at all", {}, 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    sim::Reset();
    sim::spooler().processors.clear();
    for (const std::wstring &name : row.registered) {
      sim::spooler().processors.push_back({name, L""});
    }
    EXPECT_EQ(IsPrintProcessorInstalled(L"VnVProcessor"), row.expected);
    const std::vector<std::string> expectedCalls = {"HeapAlloc(1024)", "EnumPrintProcessorsW",
                                                    "HeapFree"};
    EXPECT_EQ(sim::CallsOf({"HeapAlloc", "EnumPrintProcessorsW", "HeapFree"}), expectedCalls);
    EXPECT_TRUE(sim::LeakReport().empty());
  }
}

TEST_F(PrintProcessorTest, MoreProcessorsThanFitIn1024BytesAreReadAtTheReportedSize) {
  for (int i = 0; i < 40; ++i) {
    sim::spooler().processors.push_back({L"Vendor processor number " + std::to_wstring(i), L""});
  }
  sim::spooler().processors.push_back({L"VnVProcessor", L""});
  size_t cbNeeded = 0;  // records first, then their names, as the spooler reports it
  for (const sim::Processor &p : sim::spooler().processors) {
    cbNeeded += sizeof(PRINTPROCESSOR_INFO_1W) + (p.name.size() + 1) * sizeof(WCHAR);
  }
  ASSERT_GT(cbNeeded, 1024u);
  EXPECT_EQ(IsPrintProcessorInstalled(L"VnVProcessor"), 1);
  const std::vector<std::string> expected = {"HeapAlloc(1024)",
                                             "EnumPrintProcessorsW",
                                             "HeapFree",
                                             "HeapAlloc(" + std::to_string(cbNeeded) + ")",
                                             "EnumPrintProcessorsW",
                                             "HeapFree"};
  EXPECT_EQ(sim::CallsOf({"HeapAlloc", "EnumPrintProcessorsW", "HeapFree"}), expected);
}

TEST_F(PrintProcessorTest, IsInstalledIsZeroWhenTheListCannotBeHad) {
  struct Row {
    const char *fn;
    DWORD error;
  };
  const Row rows[] = {
      {"HeapAlloc", ERROR_NOT_ENOUGH_MEMORY},
      {"EnumPrintProcessorsW", RPC_S_SERVER_UNAVAILABLE},
      // A short buffer that reports no larger size must not loop.
      {"EnumPrintProcessorsW", ERROR_INSUFFICIENT_BUFFER},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(std::string(row.fn) + " fails with " + std::to_string(row.error));
    sim::Reset();
    sim::spooler().processors.push_back({L"VnVProcessor", L""});
    sim::FailCall(row.fn, row.error);
    EXPECT_EQ(IsPrintProcessorInstalled(L"VnVProcessor"), 0);
    EXPECT_LE(sim::CallsOf({"EnumPrintProcessorsW"}).size(), 1u);
    EXPECT_TRUE(sim::LeakReport().empty());
  }
}

TEST_F(PrintProcessorTest, SetPrinterPrintProcessorChangesOnlyTheProcessor) {
  sim::Printer &printer = sim::AddPrinter(L"Office 图像", L"HP Universal", L"VnVProcessor");
  printer.port = L"IP_10.0.0.7";
  printer.shareName = L"office";
  printer.comment = L"second floor";
  printer.location = L"room 2.14";
  printer.sepFile = L"C:\\sep.sep";
  printer.datatype = L"NT EMF 1.008";
  printer.parameters = L"x=1";
  printer.attributes = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_SHARED;
  printer.priority = 7;
  printer.defaultPriority = 3;
  printer.startTime = 60;
  printer.untilTime = 1200;
  sim::Printer expected = printer;
  expected.processor = L"WinPrint";

  EXPECT_EQ(SetPrinterPrintProcessor(L"Office 图像", L"WinPrint"), 1);
  EXPECT_EQ(Fields(*sim::FindPrinter(L"Office 图像")), Fields(expected));
  // The read is sized first and lands in a zeroed local block of exactly that size.
  const std::vector<std::string> expectedCalls = {"OpenPrinterW(Office 图像)",
                                                  "GetPrinterW(Office 图像)",
                                                  "GetPrinterW(Office 图像)",
                                                  "SetPrinterW(Office 图像)",
                                                  "LocalFree",
                                                  "ClosePrinter(Office 图像)"};
  EXPECT_EQ(
      sim::CallsOf({"OpenPrinterW", "GetPrinterW", "SetPrinterW", "LocalFree", "ClosePrinter"}),
      expectedCalls);
}

TEST_F(PrintProcessorTest, SetPrinterPrintProcessorReportsEveryFailureAndWritesNothing) {
  struct Row {
    const char *what;
    const char *failFn;  // null: nothing injected
    int skip;
    DWORD error;
    const wchar_t *printer;
    const wchar_t *processor;
  };
  const Row rows[] = {
      {"no such printer", nullptr, 0, 0, L"Missing", L"WinPrint"},
      {"printer cannot be opened", "OpenPrinterW", 0, ERROR_ACCESS_DENIED, L"Office", L"WinPrint"},
      {"size query fails", "GetPrinterW", 0, ERROR_ACCESS_DENIED, L"Office", L"WinPrint"},
      {"no memory for the record", "LocalAlloc", 0, ERROR_NOT_ENOUGH_MEMORY, L"Office",
       L"WinPrint"},
      {"read fails", "GetPrinterW", 1, RPC_S_SERVER_UNAVAILABLE, L"Office", L"WinPrint"},
      {"read short with no larger size", "GetPrinterW", 1, ERROR_INSUFFICIENT_BUFFER, L"Office",
       L"WinPrint"},
      {"write fails", "SetPrinterW", 0, ERROR_ACCESS_DENIED, L"Office", L"WinPrint"},
      {"unknown processor", nullptr, 0, 0, L"Office", L"NoSuchProcessor"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    sim::Reset();
    sim::AddPrinter(L"Office", L"HP Universal", L"VnVProcessor");
    const std::string before = Fields(*sim::FindPrinter(L"Office"));
    if (row.failFn != nullptr) sim::FailCall(row.failFn, row.error, 1, row.skip);
    EXPECT_EQ(SetPrinterPrintProcessor(row.printer, row.processor), 0);
    EXPECT_EQ(Fields(*sim::FindPrinter(L"Office")), before);
    EXPECT_TRUE(sim::LeakReport().empty());
  }
}

TEST_F(PrintProcessorTest, FirstInstallationTouchesNoPrinterBeforeTheCopy) {
  sim::AddPrinter(kPrinter, L"VnVPrint");
  sim::AddPrinter(L"Office", L"HP Universal");
  Deploy();
  const std::vector<std::string> expected = {CopyCall(), "AddPrintProcessorW(VnVProcessor)",
                                             "SetPrinterW(" + sim::Utf8(kPrinter) + ")"};
  EXPECT_EQ(
      sim::CallsOf({"SetPrinterW", "DeletePrintProcessorW", "CopyFileW", "AddPrintProcessorW"}),
      expected);
  EXPECT_EQ(sim::FileContent(kTargetDll), "new dll");
  EXPECT_TRUE(sim::HasProcessor(L"VnVProcessor"));
  EXPECT_EQ(ProcessorOf(kPrinter), "VnVProcessor");
  EXPECT_EQ(ProcessorOf(L"Office"), "WinPrint");
}

TEST_F(PrintProcessorTest, PrintersOnTheOldProcessorMoveInListOrderBeforeItIsUnregistered) {
  RegisterOldProcessor();
  sim::AddPrinter(L"Alpha", L"Other A", L"VnVProcessor");
  sim::AddPrinter(L"Office", L"HP Universal");
  sim::AddPrinter(L"Beta", L"Other B", L"VnVProcessor");
  sim::AddPrinter(kPrinter, L"VnVPrint");
  Deploy();
  const std::vector<std::string> expected = {"SetPrinterW(Alpha)",
                                             "SetPrinterW(Beta)",
                                             "DeletePrintProcessorW(VnVProcessor)",
                                             CopyCall(),
                                             "AddPrintProcessorW(VnVProcessor)",
                                             "SetPrinterW(" + sim::Utf8(kPrinter) + ")"};
  EXPECT_EQ(
      sim::CallsOf({"SetPrinterW", "DeletePrintProcessorW", "CopyFileW", "AddPrintProcessorW"}),
      expected);
  EXPECT_EQ(ProcessorOf(L"Alpha"), "WinPrint");
  EXPECT_EQ(ProcessorOf(L"Beta"), "WinPrint");
  EXPECT_EQ(ProcessorOf(kPrinter), "VnVProcessor");
  EXPECT_EQ(sim::FileContent(kTargetDll), "new dll") << "the existing target is overwritten";
}

TEST_F(PrintProcessorTest, FailedMoveStopsTheWalkButTheProcessorIsStillUnregistered) {
  struct Row {
    const char *what;
    const char *failFn;
    int skip;  // calls of failFn that succeed first: those of the first printer
  };
  const Row rows[] = {
      {"second cannot be opened", "OpenPrinterW", 1},
      {"second cannot be sized", "GetPrinterW", 2},
      {"second cannot be read", "GetPrinterW", 3},
      {"second cannot be written", "SetPrinterW", 1},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    SetUp();
    RegisterOldProcessor();
    for (const wchar_t *name : {L"First", L"Second", L"Third"}) {
      sim::AddPrinter(name, L"Other", L"VnVProcessor");
    }
    sim::FailCall(row.failFn, ERROR_ACCESS_DENIED, 1, row.skip);
    Deploy();
    const std::vector<std::string> walk = sim::CallsOf({"OpenPrinterW", "DeletePrintProcessorW"});
    const std::vector<std::string> expected = {"OpenPrinterW(First)", "OpenPrinterW(Second)",
                                               "DeletePrintProcessorW(VnVProcessor)"};
    ASSERT_GE(walk.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(walk.begin(), walk.begin() + 3), expected);
    EXPECT_EQ(ProcessorOf(L"First"), "WinPrint");
    EXPECT_EQ(ProcessorOf(L"Second"), "VnVProcessor");
    EXPECT_EQ(ProcessorOf(L"Third"), "VnVProcessor") << "not tried after the failure";
    EXPECT_TRUE(sim::LeakReport().empty());
  }
}

TEST_F(PrintProcessorTest, ProcessorRegisteredInOtherLetterCaseDoesNotCount) {
  sim::spooler().processors.push_back({L"vnvprocessor", L"vnvprocessor.dll"});
  sim::AddPrinter(L"Alpha", L"Other", L"vnvprocessor");
  sim::AddPrinter(kPrinter, L"VnVPrint");
  Deploy();
  const std::vector<std::string> expected = {"OpenPrinterW(" + sim::Utf8(kPrinter) + ")"};
  EXPECT_EQ(PrinterOpens(), expected) << "only the assignment opens a printer";
  EXPECT_TRUE(sim::CallsOf({"DeletePrintProcessorW"}).empty());
  EXPECT_EQ(ProcessorOf(L"Alpha"), "vnvprocessor");
}

TEST_F(PrintProcessorTest, TargetDllIsOverwrittenWhetherOrNotTheProcessorIsRegistered) {
  for (bool registered : {false, true}) {
    SCOPED_TRACE(registered ? "registered" : "DLL left without registration");
    SetUp();
    sim::PutFile(kTargetDll, "old dll");
    if (registered) sim::spooler().processors.push_back({L"VnVProcessor", L"VnVProcessor.dll"});
    sim::AddPrinter(kPrinter, L"VnVPrint");
    Deploy();
    EXPECT_EQ(sim::FileContent(kTargetDll), "new dll");
    EXPECT_TRUE(sim::HasProcessor(L"VnVProcessor"));
    EXPECT_EQ(ProcessorOf(kPrinter), "VnVProcessor");
  }
}

TEST_F(PrintProcessorTest, NoCopyWithoutAWholeTargetPathTheRestStillRuns) {
  struct Row {
    const char *what;
    bool failDirectoryRead;
    std::wstring processorDirectory;
    std::wstring modulePath;
  };
  const std::wstring longDir = L"C:\\" + std::wstring(240, L'p');  // + "\VnVProcessor.dll" > 259
  const Row rows[] = {
      {"directory cannot be read", true, kProcDir, L""},
      {"directory longer than the buffer", false, L"C:\\" + std::wstring(300, L'p'), L""},
      {"target path would not fit", false, longDir, L""},
      {"empty directory", false, L"", L""},
      {"source path would not fit", false, kProcDir,
       L"C:\\" + std::wstring(244, L'i') + L"\\install.exe"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    SetUp();
    if (!row.modulePath.empty()) {
      sim::processes().modulePath = row.modulePath;
      sim::PutFile(sim::InstallDir() + L"VnVProcessor.dll", "new dll");
    }
    sim::spooler().processorDirectory = row.processorDirectory;
    if (row.failDirectoryRead) sim::FailCall("GetPrintProcessorDirectoryW", ERROR_ACCESS_DENIED);
    sim::AddPrinter(kPrinter, L"VnVPrint");
    Deploy();
    EXPECT_TRUE(sim::CallsOf({"CopyFileW"}).empty());
    EXPECT_EQ(sim::CallsOf({"AddPrintProcessorW", "SetPrinterW"}).size(), 2u)
        << "registration and assignment are still tried";
  }
}

TEST_F(PrintProcessorTest, SpoolerIsDownOnlyBetweenTheStopAndTheStart) {
  RegisterOldProcessor();
  sim::AddPrinter(L"Alpha", L"Other", L"VnVProcessor");
  sim::AddPrinter(kPrinter, L"VnVPrint");
  Deploy();
  const std::vector<std::string> names = sim::CallNames();
  const auto stop = std::find(names.begin(), names.end(), "ControlService");
  const auto start = std::find(stop, names.end(), "StartServiceW");
  const auto copy = std::find(names.begin(), names.end(), "CopyFileW");
  ASSERT_TRUE(stop != names.end() && start != names.end()) << "the spooler was stopped and started";
  EXPECT_TRUE(stop < copy && copy < start) << "the DLL is copied while the spooler is down";
  const std::set<std::string> spoolerCalls = {"EnumPrintersW",
                                              "EnumPrintProcessorsW",
                                              "OpenPrinterW",
                                              "GetPrinterW",
                                              "SetPrinterW",
                                              "ClosePrinter",
                                              "GetPrintProcessorDirectoryW",
                                              "AddPrintProcessorW",
                                              "DeletePrintProcessorW"};
  for (auto it = stop; it != start; ++it) {
    EXPECT_EQ(spoolerCalls.count(*it), 0u)
        << *it << " at journal position " << (it - names.begin()) << " while the spooler is down";
  }
  EXPECT_TRUE(sim::SpoolerAvailable()) << "running again at the end";
  EXPECT_EQ(ProcessorOf(kPrinter), "VnVProcessor");
}
