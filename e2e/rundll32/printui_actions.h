// Carrying out a parsed PrintUIEntry request through the spooler API.
#pragma once

#include <string>

#include "printui_args.h"

namespace e2e {

struct ActionResult {
    bool ok = false;
    unsigned long lastError = 0;  // Win32 error of the step that failed
    std::wstring message;         // what failed, for stderr
};

// /dl: opens the printer by name with full access and deletes it.
ActionResult DeletePrinterByName(const std::wstring& printerName);

// /dd: deletes the driver of model, refusing (as Windows does) while a
// printer still uses it.
ActionResult DeleteDriverOfModel(const std::wstring& model);

// /if: installs model's driver from the files beside the INF, then adds
// printer baseName on port with print processor "WinPrint".
ActionResult InstallPrinterFromInf(const PrintUiRequest& request);

ActionResult RunRequest(const PrintUiRequest& request);

}  // namespace e2e
