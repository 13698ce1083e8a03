// The system's printer-installation entry point (rundll32.exe printui.dll,PrintUIEntry) on the
// simulated machine, with the printer drivers it installs and removes.
//
// Install RunPrintUi as processes().onCreateProcess and the installer's three commands change
// the machine as on Windows:
//   /dl /n "name"                          deletes that printer;
//   /dd /m "model"                         deletes the driver, refused while a printer uses it;
//   /if /b "name" /f "inf" /r "port" /m "model"
//                                          needs the INF file and the port, and adds the printer
//                                          with that driver and port on "WinPrint".
// A command that fails inside PrintUIEntry still starts: the process exists, the machine stays.
#pragma once

#include <string>
#include <vector>

namespace sim {

// Installed printer drivers by model name; Reset() empties the table.
std::vector<std::wstring> &drivers();
bool HasDriver(const std::wstring &model);

// Carries out commandLine as PrintUIEntry would. Returns false (the start fails) only when the
// line does not name rundll32.exe in the system directory; any other line starts.
bool RunPrintUi(const std::wstring &commandLine);

// Why each PrintUIEntry command that did nothing did nothing, in order; Reset() empties it.
const std::vector<std::string> &PrintUiRefusals();

}  // namespace sim
