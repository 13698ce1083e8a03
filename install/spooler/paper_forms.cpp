#include "spooler/paper_forms.h"

#include <winspool.h>

#include "identity.h"
#include "os/win32_api.h"

namespace {

const WCHAR kFormA0[] = L"A0 图纸";
const WCHAR kFormA1[] = L"A1 图纸";
const WCHAR kFormUserDefined[] = L"用户自定义纸张";

struct PaperForm {
  LPCWSTR name;
  DWORD widthMm;
  DWORD heightMm;
};

// The printer's forms, added in this order.
const PaperForm kPrinterForms[] = {
    {kFormA0, 841, 1189},
    {kFormA1, 594, 841},
    {kFormUserDefined, 210, 297},
};

// Form sizes are given to the spooler in thousandths of a millimetre.
constexpr LONG kUnitsPerMm = 1000;
constexpr DWORD kMaxFormMm = 0x7FFFFFFF / kUnitsPerMm;

// The existence query reads into a fixed buffer; one form record with its name fits.
constexpr DWORD kFormQueryBytes = 1024;

// A user form covering the whole sheet; the name stays the caller's.
FORM_INFO_1W MakeForm(LPCWSTR formName, DWORD widthMm, DWORD heightMm) {
  FORM_INFO_1W form = {};
  form.Flags = FORM_USER;
  form.pName = const_cast<LPWSTR>(formName);
  form.Size.cx = LONG(widthMm) * kUnitsPerMm;
  form.Size.cy = LONG(heightMm) * kUnitsPerMm;
  form.ImageableArea = {0, 0, form.Size.cx, form.Size.cy};
  return form;
}

}  // namespace

int AddPaperForm(LPCWSTR printerName, LPCWSTR formName, DWORD widthMm, DWORD heightMm) {
  if (widthMm > kMaxFormMm || heightMm > kMaxFormMm) return 0;  // the spooler's units overflow
  PRINTER_DEFAULTSW prnDefault = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE hPrinter = nullptr;
  if (!os::OpenPrinterW(const_cast<LPWSTR>(printerName), &hPrinter, &prnDefault)) return 0;
  // AddFormW refuses a name that exists, so an older form of this name goes first. A form too
  // big for the buffer exists all the same.
  alignas(FORM_INFO_1W) BYTE buffer[kFormQueryBytes];
  DWORD n = 0;
  if (os::GetFormW(hPrinter, const_cast<LPWSTR>(formName), 1, buffer, sizeof(buffer), &n) ||
      os::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    os::DeleteFormW(hPrinter, const_cast<LPWSTR>(formName));
  }
  FORM_INFO_1W form = MakeForm(formName, widthMm, heightMm);
  const BOOL bAdded = os::AddFormW(hPrinter, 1, reinterpret_cast<LPBYTE>(&form));
  os::ClosePrinter(hPrinter);
  return bAdded ? 1 : 0;
}

void AddPrinterPaperForms() {
  for (const PaperForm &paper : kPrinterForms) {
    AddPaperForm(VNV_PRINTER_NAME, paper.name, paper.widthMm, paper.heightMm);
  }
}
