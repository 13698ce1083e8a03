#include "spooler/printer_lists.h"

#include <string>
#include <vector>

#include "os/win32_api.h"
#include "sim_test.h"

namespace {

struct Selection {
  std::vector<std::wstring> names;  // walked as the installer walks a list
  std::wstring raw;                 // every character the list's block holds up to its final NUL
  size_t blockBytes = 0;
  DWORD count = 0;
  bool isNull = true;
};

// Takes a list apart and releases it, as its owner must.
Selection Take(LPWSTR list, DWORD count) {
  Selection s;
  s.count = count;
  s.isNull = list == nullptr;
  if (list == nullptr) return s;
  s.blockBytes = sim::HeapBlockSize(list);
  LPCWSTR name = list;
  for (DWORD i = 0; i < count; ++i, name = NextListName(name)) s.names.push_back(name);
  s.raw.assign(list, name - list + 1);
  os::HeapFree(os::GetProcessHeap(), 0, list);
  return s;
}

Selection ByDriver() {
  DWORD count = 99;
  LPWSTR list = GetPrintersByDriver(&count);
  return Take(list, count);
}

std::wstring Repeat(wchar_t ch, size_t n) { return std::wstring(n, ch); }

}  // namespace

class PrinterListsTest : public SimTest {};

TEST_F(PrinterListsTest, SelectionsByDriver) {
  struct Row {
    const char *what;
    std::vector<std::pair<std::wstring, std::wstring>> printers;  // name, driver
    std::vector<std::wstring> expected;
    size_t blockBytes;
  };
  const Row rows[] = {
      {"no printers at all", {}, {}, 0},
      {"printers, none of the model",
       {{L"Office", L"HP LaserJet"}, {L"PDF", L"Microsoft PDF"}},
       {},
       0},
      {"one match with a two-character name",
       {{L"Office", L"HP"}, {L"ab", L"VnVPrint"}},
       {L"ab"},
       2048},
      {"three matches in spooler order, blanks kept",
       {{L"Velnor 2", L"VnVPrint"},
        {L"Office", L"HP"},
        {L"A B C", L"VnVPrint"},
        {L"Velnor图像虚拟打印机", L"VnVPrint"}},
       {L"Velnor 2", L"A B C", L"Velnor图像虚拟打印机"},
       2048},
      {"driver name differing only in letter case",
       {{L"Old", L"vnvprint"}, {L"Older", L"VNVPRINT"}},
       {},
       0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    sim::Reset();
    for (const auto &p : row.printers) sim::AddPrinter(p.first, p.second);
    const Selection s = ByDriver();
    EXPECT_EQ(s.names, row.expected);
    EXPECT_EQ(s.count, row.expected.size());
    EXPECT_EQ(s.isNull, row.expected.empty());
    EXPECT_EQ(s.blockBytes, row.blockBytes);
  }
}

TEST_F(PrinterListsTest, OneTwoCharacterNameHoldsExactlyItsCharactersAndTwoNuls) {
  sim::AddPrinter(L"ab", L"VnVPrint");
  const Selection s = ByDriver();
  EXPECT_EQ(s.raw, std::wstring(L"ab\0\0", 4));
  EXPECT_EQ(s.count, 1u);
  EXPECT_EQ(s.blockBytes, 1024u * sizeof(WCHAR));
}

TEST_F(PrinterListsTest, GrowsInWholeStepsOf1024CharactersWithoutLosingOrCuttingAName) {
  struct Row {
    const char *what;
    std::vector<size_t> nameLengths;
    size_t capacityChars;
  };
  const Row rows[] = {
      // 1021 + NUL + final NUL fill 1023 of 1024 characters: no growth.
      {"just under one step", {1021}, 1024},
      // The second name needs 1022 + 1 + 2 = 1025 characters: one more step.
      {"one character past the step", {1021, 1}, 2048},
      {"twelve names of 100 characters", std::vector<size_t>(12, 100), 2048},
      {"one name longer than a step", {1500}, 2048},
      {"names adding up past two steps", {1000, 1000, 1000}, 3072},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    sim::Reset();
    std::vector<std::wstring> expected;
    for (size_t i = 0; i < row.nameLengths.size(); ++i) {
      expected.push_back(Repeat(wchar_t(L'a' + i), row.nameLengths[i]));
      sim::AddPrinter(L"other " + std::to_wstring(i), L"Other Driver");
      sim::AddPrinter(expected.back(), L"VnVPrint");
    }
    const Selection s = ByDriver();
    EXPECT_EQ(s.names, expected);
    EXPECT_EQ(s.count, expected.size());
    EXPECT_EQ(s.blockBytes, row.capacityChars * sizeof(WCHAR));
    EXPECT_EQ(s.raw.back(), L'\0');
  }
}

TEST_F(PrinterListsTest, SelectsByPrintProcessorExactly) {
  sim::spooler().processors.push_back({L"VnVProcessor", L"VnVProcessor.dll"});
  sim::AddPrinter(L"First", L"Other", L"VnVProcessor");
  sim::AddPrinter(L"Second", L"VnVPrint", L"WinPrint");
  sim::AddPrinter(L"Third", L"VnVPrint", L"vnvprocessor");
  sim::AddPrinter(L"Fourth", L"Other", L"VnVProcessor");
  DWORD count = 0;
  LPWSTR list = GetPrintersByPrintProcessor(L"VnVProcessor", &count);
  const Selection s = Take(list, count);
  EXPECT_EQ(s.names, (std::vector<std::wstring>{L"First", L"Fourth"}));
}

TEST_F(PrinterListsTest, FailuresGiveAnEmptySelectionAndReleaseEverything) {
  struct Row {
    const char *fn;
    DWORD error;
    int skip;
  };
  const Row rows[] = {
      {"EnumPrintersW", RPC_S_SERVER_UNAVAILABLE, 0},  // the size query
      {"EnumPrintersW", ERROR_ACCESS_DENIED, 1},       // the fetch
      {"HeapAlloc", ERROR_NOT_ENOUGH_MEMORY, 0},       // the snapshot
      {"HeapAlloc", ERROR_NOT_ENOUGH_MEMORY, 1},       // the list's first block
      {"HeapReAlloc", ERROR_NOT_ENOUGH_MEMORY, 0},     // growing the list
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(std::string(row.fn) + " failing, skip " + std::to_string(row.skip));
    sim::Reset();
    for (int i = 0; i < 3; ++i)
      sim::AddPrinter(Repeat(L'x', 700) + std::to_wstring(i), L"VnVPrint");
    sim::FailCall(row.fn, row.error, 1, row.skip);
    const Selection s = ByDriver();
    EXPECT_TRUE(s.isNull);
    EXPECT_EQ(s.count, 0u);
    EXPECT_TRUE(sim::LeakReport().empty());
  }
}

TEST_F(PrinterListsTest, APrinterAddedBetweenSizeQueryAndFetchIsStillListed) {
  sim::AddPrinter(L"First", L"VnVPrint");
  int enumCalls = 0;
  sim::spooler().afterEnumPrinters = [&enumCalls] {
    if (++enumCalls == 1) sim::AddPrinter(L"Arrived meanwhile", L"VnVPrint");
  };
  const Selection s = ByDriver();
  EXPECT_EQ(s.names, (std::vector<std::wstring>{L"First", L"Arrived meanwhile"}));
}

TEST_F(PrinterListsTest, SnapshotHoldsEveryLocalPrinterInOrder) {
  sim::AddPrinter(L"One", L"VnVPrint");
  sim::AddPrinter(L"Two", L"Other");
  DWORD count = 5;
  PRINTER_INFO_2W *printers = EnumLocalPrinters(&count);
  ASSERT_NE(printers, nullptr);
  ASSERT_EQ(count, 2u);
  EXPECT_STREQ(printers[0].pPrinterName, L"One");
  EXPECT_STREQ(printers[1].pDriverName, L"Other");
  os::HeapFree(os::GetProcessHeap(), 0, printers);
}
