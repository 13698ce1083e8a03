#include "run/install_run.h"

#include <string>
#include <vector>

#include "sim_test.h"

namespace {

// The commands are written out here character for character, independently of the program's
// own templates: this is what must reach rundll32.
const std::wstring kSysDir = L"C:\\Windows\\system32";
const std::wstring kProgram = L"C:\\Program Files\\Velnor 图像 打印机\\install.exe";
const std::wstring kDriverRemoval =
    L"C:\\Windows\\system32\\rundll32.exe printui.dll,PrintUIEntry /dd /m \"VnVPrint\" /q "
    L"/f \"C:\\Program Files\\Velnor 图像 打印机\\vnvprint.inf\" /r \"LPT1:\" /m \"VnVPrint\"";
const std::wstring kInstallation =
    L"C:\\Windows\\system32\\rundll32.exe printui.dll, PrintUIEntry /if /b "
    L"\"Velnor图像虚拟打印机\" /f \"C:\\Program Files\\Velnor 图像 打印机\\vnvprint.inf\" "
    L"/r \"Velnor Local Port\" /m \"VnVPrint\"";

std::wstring RemovalOf(const std::wstring &printer) {
  return L"C:\\Windows\\system32\\rundll32.exe printui.dll, PrintUIEntry /dl /n \"" + printer +
         L"\" /q";
}

}  // namespace

class InstallRunTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    sim::processes().modulePath = kProgram;
    sim::processes().systemDirectory = kSysDir;
  }
};

TEST_F(InstallRunTest, NoPrinterOfTheModelRunsDriverRemovalAndInstallationOnly) {
  sim::AddPrinter(L"Office", L"HP Universal");
  EXPECT_EQ(RunInstall(), 1);
  EXPECT_EQ(sim::processes().commandLines,
            (std::vector<std::wstring>{kDriverRemoval, kInstallation}));
}

TEST_F(InstallRunTest, RemovesEachPrinterOfTheModelInEnumerationOrderWithItsNameIntact) {
  sim::AddPrinter(L"Velnor 1", L"VnVPrint");
  sim::AddPrinter(L"Office", L"HP Universal");
  sim::AddPrinter(L"Velnor图像虚拟打印机", L"VnVPrint");
  sim::AddPrinter(L"lower case model", L"vnvprint");
  sim::AddPrinter(L"  two  blanks  ", L"VnVPrint");
  EXPECT_EQ(RunInstall(), 1);
  const std::vector<std::wstring> expected = {
      RemovalOf(L"Velnor 1"), RemovalOf(L"Velnor图像虚拟打印机"), RemovalOf(L"  two  blanks  "),
      kDriverRemoval, kInstallation};
  EXPECT_EQ(sim::processes().commandLines, expected);
}

TEST_F(InstallRunTest, EachCommandIsAwaitedBeforeTheNextStarts) {
  sim::AddPrinter(L"Velnor 1", L"VnVPrint");
  RunInstall();
  std::vector<std::string> seen;
  for (const std::string &call : sim::CallsOf({"CreateProcessW", "CloseHandle"})) {
    // Only the children's handles: the port phase closes a worker thread of its own.
    if (call.find("rundll32.exe") != std::string::npos)
      seen.push_back(call.substr(0, call.find('(')));
  }
  const std::vector<std::string> expected = {"CreateProcessW", "CloseHandle", "CloseHandle",
                                             "CreateProcessW", "CloseHandle", "CloseHandle",
                                             "CreateProcessW", "CloseHandle", "CloseHandle"};
  EXPECT_EQ(seen, expected);
}

TEST_F(InstallRunTest, CommandsThatCannotStartStillEndTheRunWithOne) {
  for (int i = 0; i < 3; ++i) sim::AddPrinter(L"Velnor " + std::to_wstring(i), L"VnVPrint");
  sim::FailCall("CreateProcessW", ERROR_FILE_NOT_FOUND, -1);
  EXPECT_EQ(RunInstall(), 1);
  EXPECT_EQ(sim::processes().commandLines.size(), 5u) << "every command was still tried";
}

TEST_F(InstallRunTest, NoUsableInstallDirectoryEndsTheRunWithMinusOneAfterTheRestart) {
  struct Row {
    const char *what;
    std::wstring modulePath;
  };
  const Row rows[] = {
      {"no backslash", L"install.exe"},
      {"path cut by the 260-character buffer",
       L"C:\\" + std::wstring(300, L'd') + L"\\install.exe"},
      {"path of exactly 260 characters", L"C:\\" + std::wstring(245, L'd') + L"\\install.exe"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    sim::Reset();
    sim::AddPrinter(L"Velnor 1", L"VnVPrint");
    sim::processes().modulePath = row.modulePath;
    EXPECT_EQ(RunInstall(), -1);
    ASSERT_FALSE(sim::Journal().empty());
    EXPECT_EQ(sim::Journal().back().fn, "GetModuleFileNameW") << "nothing may follow";
    EXPECT_TRUE(sim::processes().commandLines.empty());
  }
}

TEST_F(InstallRunTest, PathOfOneCharacterLessThanTheBufferIsUsed) {
  sim::processes().modulePath = L"C:\\" + std::wstring(244, L'd') + L"\\install.exe";
  ASSERT_EQ(sim::processes().modulePath.size(), 259u);
  EXPECT_EQ(RunInstall(), 1);
  EXPECT_EQ(sim::processes().commandLines.size(), 2u);
}

TEST_F(InstallRunTest, NamesThatCannotBePassedSafelyAreNotPassedAtAll) {
  sim::AddPrinter(L"First", L"VnVPrint");
  sim::AddPrinter(L"Evil\" /dd /m \"Other", L"VnVPrint");  // would smuggle in options
  sim::AddPrinter(std::wstring(1990, L'n'), L"VnVPrint");  // would not fit the command line
  sim::AddPrinter(L"Last", L"VnVPrint");
  EXPECT_EQ(RunInstall(), 1);
  const std::vector<std::wstring> expected = {RemovalOf(L"First"), RemovalOf(L"Last"),
                                              kDriverRemoval, kInstallation};
  EXPECT_EQ(sim::processes().commandLines, expected);
}

TEST_F(InstallRunTest, InstallDirectoryTooLongForTheCommandsRunsNeitherOfThem) {
  // Paths up to 259 characters fit in 2000, so only a long system directory can get close;
  // a command is built whole or not at all.
  sim::processes().systemDirectory = L"C:\\" + std::wstring(250, L's');
  sim::AddPrinter(std::wstring(1700, L'n'), L"VnVPrint");
  EXPECT_EQ(RunInstall(), 1);
  EXPECT_EQ(sim::processes().commandLines.size(), 2u) << "the removal alone did not fit";
}

TEST_F(InstallRunTest, UnknownSystemDirectoryStartsNoCommand) {
  sim::AddPrinter(L"Velnor 1", L"VnVPrint");
  sim::FailCall("GetSystemDirectoryW", ERROR_ACCESS_DENIED);
  EXPECT_EQ(RunInstall(), 1);
  EXPECT_TRUE(sim::processes().commandLines.empty());
}
