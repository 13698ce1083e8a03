// The simulated process side: the program's own path, the system directory, a small file
// system, and child processes whose command lines are recorded.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace sim {

struct Processes {
  std::wstring modulePath = L"C:\\Program Files\\Velnor Printer\\install.exe";
  std::wstring systemDirectory = L"C:\\Windows\\system32";
  // Every command line given to CreateProcessW, started or not, in order.
  std::vector<std::wstring> commandLines;
  // Decides what a started command does to the machine; returns false to make the start fail
  // (with ERROR_FILE_NOT_FOUND). Unset: every command starts and does nothing.
  std::function<bool(const std::wstring &commandLine)> onCreateProcess;
};

Processes &processes();

// Files by full path (letter case ignored), with their contents; directories that exist.
void PutFile(const std::wstring &path, const std::string &content);
bool FileExists(const std::wstring &path);
std::string FileContent(const std::wstring &path);
void MakeDirectory(const std::wstring &path);

// The install directory of the simulated program: its path up to and including the last '\'.
std::wstring InstallDir();

// Waits for a thread of the code under test; defined with the thread simulation.
DWORD WaitThread(HANDLE thread, DWORD ms);

}  // namespace sim
