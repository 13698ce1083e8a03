// Placeholder for the VnVPrint configuration DLL. The spooler loads the
// configuration file of a driver when it installs the driver and when it
// adds a printer; Wine calls DrvDocumentPropertySheets and
// DrvDeviceCapabilities without checking that they exist, so a config DLL
// without them crashes AddPrinterW. These answer with a plain A4 DEVMODE
// and no property sheets.
#include <windows.h>

namespace {

// DOCUMENTPROPERTYHEADER of the driver kit; MinGW's winddiui.h lacks it.
struct DocumentPropertyHeader {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    PDEVMODEW pdmIn;
    PDEVMODEW pdmOut;
    DWORD cbOut;
    DWORD fMode;
};

DEVMODEW DefaultDevMode(const wchar_t* pPrinterName) {
    DEVMODEW dm = {};
    if (pPrinterName != nullptr) lstrcpynW(dm.dmDeviceName, pPrinterName, CCHDEVICENAME);
    dm.dmSpecVersion = DM_SPECVERSION;
    dm.dmDriverVersion = 0x0100;
    dm.dmSize = sizeof(DEVMODEW);
    dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES;
    dm.dmOrientation = DMORIENT_PORTRAIT;
    dm.dmPaperSize = DMPAPER_A4;
    dm.dmCopies = 1;
    return dm;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

extern "C" BOOL WINAPI DrvDriverEvent(DWORD, DWORD, LPBYTE, LPARAM) { return TRUE; }

extern "C" BOOL WINAPI DrvPrinterEvent(LPWSTR, INT, DWORD, LPARAM) { return TRUE; }

// Called with no property-sheet info to size or fill a DEVMODE; a request
// for real sheets gets -1, since this printer has no settings to show.
extern "C" LONG WINAPI DrvDocumentPropertySheets(void* pSheetInfo, LPARAM lParam) {
    auto* pHeader = reinterpret_cast<DocumentPropertyHeader*>(lParam);
    if (pSheetInfo != nullptr || pHeader == nullptr) return -1;
    if (pHeader->fMode == 0 || pHeader->pdmOut == nullptr) {
        pHeader->cbOut = sizeof(DEVMODEW);
        return static_cast<LONG>(pHeader->cbOut);
    }
    DEVMODEW dm = DefaultDevMode(pHeader->pszPrinterName);
    const DEVMODEW* pIn = pHeader->pdmIn;
    if ((pHeader->fMode & DM_IN_BUFFER) != 0 && pIn != nullptr && pIn->dmSize >= sizeof(DEVMODEW)) {
        if (pIn->dmFields & DM_ORIENTATION) dm.dmOrientation = pIn->dmOrientation;
        if (pIn->dmFields & DM_PAPERSIZE) dm.dmPaperSize = pIn->dmPaperSize;
    }
    if ((pHeader->fMode & DM_OUT_BUFFER) != 0) *pHeader->pdmOut = dm;
    return IDOK;
}

extern "C" DWORD WINAPI DrvDeviceCapabilities(HANDLE, PWSTR, WORD capability, PVOID, PDEVMODEW) {
    switch (capability) {
        case DC_SIZE: return sizeof(DEVMODEW);
        case DC_VERSION: return DM_SPECVERSION;
        case DC_DRIVER: return 0x0100;
        default: return 0;  // no papers, bins or resolutions to list
    }
}
