#include "sim_process.h"

#include <gtest/gtest.h>

#include <cwctype>

#include "os/win32_api.h"
#include "sim_core.h"
#include "sim_spooler.h"

namespace sim {
namespace {

struct FileSystem {
  std::map<std::wstring, std::string> files;  // by lower-case path
  std::set<std::wstring> directories;         // lower-case, no trailing '\'
};

Processes gProcesses;
FileSystem gFiles;

std::wstring Key(std::wstring path) {
  for (auto &ch : path) ch = wchar_t(std::towlower(ch));
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring ParentOf(const std::wstring &path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void ResetProcesses() {
  gProcesses = Processes();
  gFiles = FileSystem();
  MakeDirectory(gProcesses.systemDirectory);
  MakeDirectory(spooler().processorDirectory);
  MakeDirectory(InstallDir());
}

ResetHook gReset(ResetProcesses);

// A file in the print processor directory that a registered processor loads is held open by
// the running spooler, as on Windows.
bool HeldBySpooler(const std::wstring &path) {
  if (!SpoolerAvailable() || Key(ParentOf(path)) != Key(spooler().processorDirectory)) {
    return false;
  }
  const std::wstring file = path.substr(path.rfind(L'\\') + 1);
  for (const Processor &p : spooler().processors) {
    if (SameText(p.dll, file)) return true;
  }
  return false;
}

}  // namespace

Processes &processes() { return gProcesses; }

void PutFile(const std::wstring &path, const std::string &content) {
  MakeDirectory(ParentOf(path));
  gFiles.files[Key(path)] = content;
}

bool FileExists(const std::wstring &path) { return gFiles.files.count(Key(path)) != 0; }

std::string FileContent(const std::wstring &path) {
  auto it = gFiles.files.find(Key(path));
  return it == gFiles.files.end() ? std::string() : it->second;
}

void MakeDirectory(const std::wstring &path) {
  for (std::wstring dir = Key(path); !dir.empty(); dir = ParentOf(dir)) {
    gFiles.directories.insert(dir);
  }
}

std::wstring InstallDir() {
  const size_t slash = gProcesses.modulePath.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : gProcesses.modulePath.substr(0, slash + 1);
}

}  // namespace sim

namespace os {

using namespace sim;

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  if (Enter("GetModuleFileNameW")) return 0;
  if (hModule != nullptr) ADD_FAILURE() << "GetModuleFileNameW of a module other than the program";
  if (nSize == 0) {
    SetError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const std::wstring &path = processes().modulePath;
  // A path that does not fit is cut, NUL-terminated, and reported as filling the buffer.
  if (path.size() >= nSize) {
    wmemcpy(lpFilename, path.c_str(), nSize - 1);
    lpFilename[nSize - 1] = L'\0';
    SetError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  wmemcpy(lpFilename, path.c_str(), path.size() + 1);
  return DWORD(path.size());
}

UINT GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) {
  if (Enter("GetSystemDirectoryW")) return 0;
  const std::wstring &dir = processes().systemDirectory;
  if (dir.size() + 1 > uSize) return UINT(dir.size() + 1);
  wmemcpy(lpBuffer, dir.c_str(), dir.size() + 1);
  return UINT(dir.size());
}

BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) {
  const std::wstring from = lpExistingFileName, to = lpNewFileName;
  if (Enter("CopyFileW", from + L" -> " + to)) return FALSE;
  if (!FileExists(from)) {
    SetError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  if (gFiles.directories.count(Key(ParentOf(to))) == 0) {
    SetError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (FileExists(to) && bFailIfExists) {
    SetError(ERROR_FILE_EXISTS);
    return FALSE;
  }
  if (FileExists(to) && HeldBySpooler(to)) {
    SetError(ERROR_SHARING_VIOLATION);
    return FALSE;
  }
  gFiles.files[Key(to)] = FileContent(from);
  return TRUE;
}

BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                    LPSECURITY_ATTRIBUTES lpProcessAttributes,
                    LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles,
                    DWORD dwCreationFlags, LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory,
                    LPSTARTUPINFOW lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation) {
  const std::wstring cmdline = lpCommandLine == nullptr ? L"" : lpCommandLine;
  processes().commandLines.push_back(cmdline);
  if (Enter("CreateProcessW", cmdline)) return FALSE;
  if (lpApplicationName != nullptr || lpProcessAttributes != nullptr ||
      lpThreadAttributes != nullptr || !bInheritHandles || dwCreationFlags != 0 ||
      lpEnvironment != nullptr || lpCurrentDirectory != nullptr) {
    ADD_FAILURE() << "CreateProcessW called other than with the command line alone";
  }
  if (lpStartupInfo == nullptr || lpStartupInfo->cb != sizeof(STARTUPINFOW)) {
    ADD_FAILURE() << "CreateProcessW given a startup record of the wrong size";
  }
  if (processes().onCreateProcess && !processes().onCreateProcess(cmdline)) {
    SetError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  static DWORD nextId = 4000;
  lpProcessInformation->hProcess = NewHandle(HandleKind::Process, cmdline);
  lpProcessInformation->hThread = NewHandle(HandleKind::ProcessThread, L"thread of " + cmdline);
  lpProcessInformation->dwProcessId = nextId += 4;
  lpProcessInformation->dwThreadId = nextId += 4;
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  HandleInfo *info = FindAnyHandle(hHandle);
  if (info != nullptr && info->kind == HandleKind::Thread)
    return WaitThread(hHandle, dwMilliseconds);
  if (Enter("WaitForSingleObject", HandleName(hHandle))) return WAIT_FAILED;
  if (info == nullptr ||
      (info->kind != HandleKind::Process && info->kind != HandleKind::ProcessThread)) {
    ADD_FAILURE() << "WaitForSingleObject on a handle that is no process or thread";
    SetError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  // A simulated child has done its work when it starts; it has ended by the first wait.
  return WAIT_OBJECT_0;
}

}  // namespace os
