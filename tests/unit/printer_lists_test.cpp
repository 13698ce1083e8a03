#include "spooler/printer_lists.h"

#include "os/win32_api.h"
#include "sim_test.h"

class PrinterListsTest : public SimTest {};

TEST_F(PrinterListsTest, NoPrintersGivesNullList) {
  DWORD count = 7;
  EXPECT_EQ(GetPrintersByDriver(&count), nullptr);
  EXPECT_EQ(count, 0u);
}
