#include "run/command_line.h"

#include <string>
#include <vector>

#include "sim_test.h"

class CommandLineTest : public SimTest {};

TEST(FormatCommandTest, FillsMarkersInOrderOrBuildsNothing) {
  struct Row {
    const char *what;
    const wchar_t *templ;
    std::vector<const wchar_t *> args;
    DWORD outChars;
    int result;
    const wchar_t *expected;
  };
  const Row rows[] = {
      {"two markers",
       L"%s\\run.exe /n \"%s\" /q",
       {L"C:\\Sys", L"A B"},
       100,
       1,
       L"C:\\Sys\\run.exe /n \"A B\" /q"},
      {"marker glued to text",
       L"/f \"%sfile.inf\"",
       {L"D:\\Dir 目录\\"},
       100,
       1,
       L"/f \"D:\\Dir 目录\\file.inf\""},
      {"exactly fills the buffer with its NUL", L"%s-", {L"abcd"}, 6, 1, L"abcd-"},
      {"one character too long", L"%s-", {L"abcde"}, 6, 0, L""},
      {"argument alone too long", L"x%s", {L"0123456789"}, 5, 0, L""},
      {"fewer arguments than markers", L"%s and %s", {L"one"}, 100, 0, L""},
      {"more arguments than markers", L"%s", {L"one", L"two"}, 100, 0, L""},
      {"no markers", L"plain", {}, 100, 1, L"plain"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<wchar_t> out(row.outChars + 1, L'#');
    const int result =
        FormatCommand(out.data(), row.outChars, row.templ, row.args.data(), DWORD(row.args.size()));
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(std::wstring(out.data()), row.expected);
    EXPECT_EQ(out[row.outChars], L'#') << "wrote past the buffer";
  }
}

TEST_F(CommandLineTest, StartsTheCommandUnchangedWaitsThreadThenProcessAndClosesBoth) {
  const std::wstring cmd = L"C:\\Windows\\system32\\rundll32.exe printui.dll, PrintUIEntry /q";
  EXPECT_EQ(RunCommandLine(cmd.c_str()), 1);
  EXPECT_EQ(sim::processes().commandLines, std::vector<std::wstring>{cmd});
  const std::string c = sim::Utf8(cmd);
  const std::vector<std::string> expected = {
      "CreateProcessW(" + c + ")", "WaitForSingleObject(thread of " + c + ")",
      "WaitForSingleObject(" + c + ")", "CloseHandle(thread of " + c + ")",
      "CloseHandle(" + c + ")"};
  EXPECT_EQ(sim::CallsOf({"CreateProcessW", "WaitForSingleObject", "CloseHandle"}), expected);
  EXPECT_EQ(sim::CallNames().size(), expected.size()) << "no other OS call";
}

TEST_F(CommandLineTest, ACommandThatCannotStartReturnsZeroAndHoldsNothing) {
  sim::FailCall("CreateProcessW", ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RunCommandLine(L"C:\\missing.exe"), 0);
  EXPECT_EQ(sim::CallNames(), std::vector<std::string>{"CreateProcessW"});
}
