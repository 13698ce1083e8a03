#include "spooler/paper_forms.h"

#include <string>
#include <vector>

#include "sim_test.h"

namespace {

const std::wstring kPrinter = L"Velnor图像虚拟打印机";

struct ExpectedForm {
  const wchar_t *name;
  LONG cx;  // thousandths of a millimetre
  LONG cy;
};

// Written out independently of the program's table: this is what the printer must offer.
const ExpectedForm kForms[] = {
    {L"A0 图纸", 841000, 1189000},
    {L"A1 图纸", 594000, 841000},
    {L"用户自定义纸张", 210000, 297000},
};

std::string Describe(const sim::Form &f) {
  return sim::Utf8(f.name) + " flags " + std::to_string(f.flags) + " size " +
         std::to_string(f.size.cx) + "x" + std::to_string(f.size.cy) + " area " +
         std::to_string(f.imageableArea.left) + "," + std::to_string(f.imageableArea.top) + "," +
         std::to_string(f.imageableArea.right) + "," + std::to_string(f.imageableArea.bottom);
}

std::string Describe(const ExpectedForm &f) {
  return Describe(sim::Form{f.name, 0, {f.cx, f.cy}, {0, 0, f.cx, f.cy}});
}

// The printer's forms in the order the spooler keeps them.
std::vector<std::string> FormsOf(const std::wstring &printer) {
  std::vector<std::string> out;
  for (const sim::Form &f : sim::FindPrinter(printer)->forms) out.push_back(Describe(f));
  return out;
}

std::vector<std::string> AllExpectedForms() {
  std::vector<std::string> out;
  for (const ExpectedForm &f : kForms) out.push_back(Describe(f));
  return out;
}

}  // namespace

class PaperFormsTest : public SimTest {};

TEST_F(PaperFormsTest, AddsTheThreeFormsInOrderWithTheirExactSizes) {
  sim::AddPrinter(kPrinter, L"VnVPrint");
  AddPrinterPaperForms();
  EXPECT_EQ(FormsOf(kPrinter), AllExpectedForms());
  std::vector<std::string> expectedCalls;
  for (const ExpectedForm &f : kForms) {
    const std::string name = sim::Utf8(f.name);
    expectedCalls.push_back("GetFormW(" + name + ")");
    expectedCalls.push_back("AddFormW(" + name + ")");
  }
  EXPECT_EQ(sim::CallsOf({"GetFormW", "DeleteFormW", "AddFormW"}), expectedCalls)
      << "nothing to delete on a new printer";
  EXPECT_EQ(sim::CallsOf({"OpenPrinterW"}).size(), 3u);
  EXPECT_EQ(sim::CallsOf({"ClosePrinter"}).size(), 3u);
}

TEST_F(PaperFormsTest, RunningTwiceLeavesOneFormOfEachName) {
  sim::AddPrinter(kPrinter, L"VnVPrint");
  AddPrinterPaperForms();
  AddPrinterPaperForms();
  EXPECT_EQ(FormsOf(kPrinter), AllExpectedForms());
  std::vector<std::string> secondRun = sim::CallsOf({"GetFormW", "DeleteFormW", "AddFormW"});
  ASSERT_EQ(secondRun.size(), 6u + 9u);
  secondRun.erase(secondRun.begin(), secondRun.begin() + 6);
  std::vector<std::string> expected;
  for (const ExpectedForm &f : kForms) {
    const std::string name = sim::Utf8(f.name);
    for (const char *fn : {"GetFormW(", "DeleteFormW(", "AddFormW("}) {
      expected.push_back(fn + name + ")");
    }
  }
  EXPECT_EQ(secondRun, expected) << "each form is deleted before it is added again";
}

TEST_F(PaperFormsTest, FormOfTheSameNameIsReplacedOthersKept) {
  sim::Printer &printer = sim::AddPrinter(kPrinter, L"VnVPrint");
  printer.forms.push_back(sim::Form{L"Letter", 0, {215900, 279400}, {0, 0, 215900, 279400}});
  printer.forms.push_back(sim::Form{L"A1 图纸", 2, {1, 1}, {0, 0, 1, 1}});
  // A record too big for the 1024-byte query exists all the same and is replaced.
  const std::wstring longName(600, L'长');
  printer.forms.push_back(sim::Form{longName, 0, {1, 1}, {0, 0, 1, 1}});
  EXPECT_EQ(AddPaperForm(kPrinter.c_str(), longName.c_str(), 100, 200), 1);
  AddPrinterPaperForms();
  const std::vector<std::string> expected = {
      "Letter flags 0 size 215900x279400 area 0,0,215900,279400",
      Describe(sim::Form{longName, 0, {100000, 200000}, {0, 0, 100000, 200000}}),
      Describe(kForms[0]), Describe(kForms[1]), Describe(kForms[2])};
  EXPECT_EQ(FormsOf(kPrinter), expected);
}

TEST_F(PaperFormsTest, MissingPrinterMakesEveryAdditionReturnZeroAndChangesNothing) {
  sim::Printer &other = sim::AddPrinter(L"Office", L"HP Universal");
  other.forms.push_back(sim::Form{L"A0 图纸", 0, {1, 1}, {0, 0, 1, 1}});
  for (const ExpectedForm &f : kForms) {
    SCOPED_TRACE(sim::Utf8(f.name));
    EXPECT_EQ(AddPaperForm(kPrinter.c_str(), f.name, DWORD(f.cx / 1000), DWORD(f.cy / 1000)), 0);
  }
  AddPrinterPaperForms();
  const std::string printer = sim::Utf8(kPrinter);
  const std::vector<std::string> onlyOpens(6, "OpenPrinterW(" + printer + ")");
  EXPECT_EQ(sim::CallNames(), std::vector<std::string>(6, "OpenPrinterW"));
  EXPECT_EQ(sim::CallsOf({"OpenPrinterW"}), onlyOpens);
  EXPECT_EQ(FormsOf(L"Office"), std::vector<std::string>{"A0 图纸 flags 0 size 1x1 area 0,0,1,1"});
  EXPECT_EQ(sim::spooler().printers.size(), 1u);
}

TEST_F(PaperFormsTest, AddPaperFormReportsFailuresAndAlwaysClosesThePrinter) {
  struct Row {
    const char *what;
    const char *failFn;  // null: nothing injected
    DWORD error;
    bool formExists;
    const wchar_t *formName;
    int result;
    bool formAfter;  // whether a form of that name is on the printer afterwards
  };
  const Row rows[] = {
      {"plain addition", nullptr, 0, false, L"A0 图纸", 1, true},
      {"replacement", nullptr, 0, true, L"A0 图纸", 1, true},
      {"existence query fails otherwise", "GetFormW", ERROR_ACCESS_DENIED, false, L"A0 图纸", 1,
       true},
      {"deletion refused", "DeleteFormW", ERROR_ACCESS_DENIED, true, L"A0 图纸", 0, true},
      {"addition refused", "AddFormW", ERROR_ACCESS_DENIED, false, L"A0 图纸", 0, false},
      {"name the spooler refuses", nullptr, 0, false, L"", 0, false},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    sim::Reset();
    sim::Printer &printer = sim::AddPrinter(kPrinter, L"VnVPrint");
    if (row.formExists) printer.forms.push_back(sim::Form{row.formName, 0, {5, 5}, {0, 0, 5, 5}});
    if (row.failFn != nullptr) sim::FailCall(row.failFn, row.error);
    EXPECT_EQ(AddPaperForm(kPrinter.c_str(), row.formName, 841, 1189), row.result);
    const sim::Form *form = sim::FindForm(*sim::FindPrinter(kPrinter), row.formName);
    EXPECT_EQ(form != nullptr, row.formAfter);
    if (row.result == 1 && form != nullptr) {
      EXPECT_EQ(Describe(*form), Describe(kForms[0]));
    }
    EXPECT_EQ(sim::CallsOf({"ClosePrinter"}).size(), 1u);
    EXPECT_TRUE(sim::LeakReport().empty());
  }
}

TEST_F(PaperFormsTest, RefusedFormDoesNotStopTheNextOne) {
  sim::AddPrinter(kPrinter, L"VnVPrint");
  sim::FailCall("AddFormW", ERROR_ACCESS_DENIED, 1, 1);  // the second form
  AddPrinterPaperForms();
  EXPECT_EQ(FormsOf(kPrinter),
            (std::vector<std::string>{Describe(kForms[0]), Describe(kForms[2])}));
}

TEST_F(PaperFormsTest, SizesTooLargeForTheSpoolerUnitsAreRefusedUntouched) {
  sim::AddPrinter(kPrinter, L"VnVPrint");
  EXPECT_EQ(AddPaperForm(kPrinter.c_str(), L"huge", 3000000, 10), 0);
  EXPECT_EQ(AddPaperForm(kPrinter.c_str(), L"huge", 10, 3000000), 0);
  EXPECT_TRUE(sim::CallNames().empty());
  EXPECT_EQ(AddPaperForm(kPrinter.c_str(), L"largest", 2147483, 2147483), 1);
  EXPECT_EQ(FormsOf(kPrinter),
            std::vector<std::string>{
                "largest flags 0 size 2147483000x2147483000 area 0,0,2147483000,2147483000"});
}
