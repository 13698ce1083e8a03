#include "sim_printui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "sim_core.h"
#include "sim_process.h"
#include "sim_spooler.h"

namespace sim {
namespace {

struct PrintUi {
  std::vector<std::wstring> drivers;
  std::vector<std::string> refusals;
};

PrintUi gPrintUi;
ResetHook gReset([] { gPrintUi = PrintUi(); });

// PrintUIEntry's options: flags (/dl, /q, ...) map to "", options with a value to the value.
// An option given twice keeps its first value; *clash says whether a later one differed.
struct Options {
  std::map<std::wstring, std::wstring> values;
  bool clash = false;
  bool unclosedQuote = false;
  bool Has(const wchar_t *name) const { return values.count(name) != 0; }
  std::wstring Get(const wchar_t *name) const {
    auto it = values.find(name);
    return it == values.end() ? std::wstring() : it->second;
  }
};

bool TakesValue(const std::wstring &option) {
  return option == L"/n" || option == L"/m" || option == L"/f" || option == L"/r" ||
         option == L"/b";
}

// Splits at blanks; a double-quoted stretch is one token without its quotes.
std::vector<std::wstring> Tokens(const std::wstring &text, bool *unclosedQuote) {
  std::vector<std::wstring> tokens;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == L' ') {
      ++i;
      continue;
    }
    std::wstring token;
    if (text[i] == L'"') {
      const size_t close = text.find(L'"', i + 1);
      if (close == std::wstring::npos) *unclosedQuote = true;
      const size_t end = close == std::wstring::npos ? text.size() : close;
      token = text.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      const size_t end = std::min(text.find(L' ', i), text.size());
      token = text.substr(i, end - i);
      i = end;
    }
    tokens.push_back(token);
  }
  return tokens;
}

Options Parse(const std::wstring &arguments) {
  Options options;
  const std::vector<std::wstring> tokens = Tokens(arguments, &options.unclosedQuote);
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::wstring option = tokens[i];
    std::wstring value;
    if (TakesValue(option) && i + 1 < tokens.size()) value = tokens[++i];
    auto it = options.values.find(option);
    if (it == options.values.end()) {
      options.values[option] = value;
    } else if (it->second != value) {
      options.clash = true;
    }
  }
  return options;
}

void Refuse(const std::string &why) { gPrintUi.refusals.push_back(why); }

void DeletePrinter(const Options &options) {
  std::vector<Printer> &printers = spooler().printers;
  for (auto it = printers.begin(); it != printers.end(); ++it) {
    if (SameText(it->name, options.Get(L"/n"))) {
      printers.erase(it);
      return;
    }
  }
  Refuse("/dl: no printer \"" + Utf8(options.Get(L"/n")) + "\"");
}

void DeleteDriver(const Options &options) {
  const std::wstring model = options.Get(L"/m");
  for (const Printer &printer : spooler().printers) {
    if (SameText(printer.driver, model)) {
      Refuse("/dd: driver \"" + Utf8(model) + "\" in use by \"" + Utf8(printer.name) + "\"");
      return;
    }
  }
  std::vector<std::wstring> &list = gPrintUi.drivers;
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (SameText(*it, model)) {
      list.erase(it);
      return;
    }
  }
  Refuse("/dd: no driver \"" + Utf8(model) + "\"");
}

void InstallPrinter(const Options &options) {
  const std::wstring name = options.Get(L"/b"), inf = options.Get(L"/f");
  const std::wstring port = options.Get(L"/r"), model = options.Get(L"/m");
  if (name.empty() || inf.empty() || port.empty() || model.empty()) {
    return Refuse("/if: /b, /f, /r and /m are all needed");
  }
  if (!FileExists(inf)) return Refuse("/if: no INF file " + Utf8(inf));
  if (!HasPort(port)) return Refuse("/if: no port \"" + Utf8(port) + "\"");
  if (FindPrinter(name) != nullptr) return Refuse("/if: printer exists: " + Utf8(name));
  if (!HasDriver(model)) gPrintUi.drivers.push_back(model);
  AddPrinter(name, model, L"WinPrint").port = port;
}

// The arguments after "printui.dll,PrintUIEntry" (a blank after the comma is allowed), or
// false when the line runs some other entry point.
bool PrintUiArguments(const std::wstring &afterExe, std::wstring *arguments) {
  const std::wstring dll = L"printui.dll,";
  if (afterExe.size() < dll.size() || !SameText(afterExe.substr(0, dll.size()), dll)) {
    return false;
  }
  size_t at = dll.size();
  while (at < afterExe.size() && afterExe[at] == L' ') ++at;
  const std::wstring entry = L"PrintUIEntry";
  if (afterExe.compare(at, entry.size(), entry) != 0) return false;
  *arguments = afterExe.substr(at + entry.size());
  return true;
}

}  // namespace

std::vector<std::wstring> &drivers() { return gPrintUi.drivers; }

bool HasDriver(const std::wstring &model) {
  for (const std::wstring &driver : gPrintUi.drivers) {
    if (SameText(driver, model)) return true;
  }
  return false;
}

const std::vector<std::string> &PrintUiRefusals() { return gPrintUi.refusals; }

bool RunPrintUi(const std::wstring &commandLine) {
  const std::wstring exe = processes().systemDirectory + L"\\rundll32.exe ";
  if (commandLine.size() < exe.size() || !SameText(commandLine.substr(0, exe.size()), exe)) {
    return false;
  }
  std::wstring arguments;
  if (!PrintUiArguments(commandLine.substr(exe.size()), &arguments)) {
    ADD_FAILURE() << "rundll32 started on something other than PrintUIEntry: " << Utf8(commandLine);
    return true;
  }
  const Options options = Parse(arguments);
  const int actions = options.Has(L"/dl") + options.Has(L"/dd") + options.Has(L"/if");
  if (actions != 1 || options.clash || options.unclosedQuote) {
    ADD_FAILURE() << "PrintUIEntry command it would not understand: " << Utf8(commandLine);
    Refuse("not understood");
  } else if (!SpoolerAvailable()) {
    Refuse("the spooler is not running");
  } else if (options.Has(L"/dl")) {
    DeletePrinter(options);
  } else if (options.Has(L"/dd")) {
    DeleteDriver(options);
  } else {
    InstallPrinter(options);
  }
  return true;
}

}  // namespace sim
