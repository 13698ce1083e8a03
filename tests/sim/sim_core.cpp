#include "sim_core.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <map>
#include <mutex>

#include "os/win32_api.h"

namespace sim {
namespace {

struct Fault {
  std::string fn;
  DWORD error;
  int remaining;  // < 0: for ever
  int skip;
};

struct HeapBlock {
  size_t bytes;
  bool local;  // LocalAlloc rather than HeapAlloc
};

struct Core {
  std::vector<Call> journal;
  std::vector<Fault> faults;
  std::map<size_t, DWORD> faultsAt;
  std::map<HANDLE, HandleInfo> handles;
  uintptr_t nextHandle = 0x1000;
  std::map<const void *, HeapBlock> heap;
  DWORD now = 100000;
  DWORD slept = 0;
};

// Worker threads of the code under test reach the sim too, so its tables take a lock.
std::recursive_mutex &Lock() {
  static std::recursive_mutex lock;
  return lock;
}

Core &C() {
  static Core core;
  return core;
}

std::vector<std::function<void()>> &ResetHooks() {
  static std::vector<std::function<void()>> hooks;
  return hooks;
}

thread_local DWORD tLastError = 0;

const HANDLE kProcessHeap = reinterpret_cast<HANDLE>(uintptr_t(0x7E570000));

}  // namespace

ResetHook::ResetHook(std::function<void()> fn) { ResetHooks().push_back(std::move(fn)); }

void Reset() {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  for (auto &block : C().heap) std::free(const_cast<void *>(block.first));
  C() = Core();
  tLastError = 0;
  for (auto &hook : ResetHooks()) hook();
}

const std::vector<Call> &Journal() { return C().journal; }

std::vector<std::string> CallNames() {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  std::vector<std::string> names;
  for (const Call &call : C().journal) names.push_back(call.fn);
  return names;
}

std::vector<std::string> CallsOf(const std::vector<std::string> &fns) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  std::vector<std::string> out;
  for (const Call &call : C().journal) {
    for (const std::string &fn : fns) {
      if (call.fn != fn) continue;
      out.push_back(call.arg.empty() ? call.fn : call.fn + "(" + Utf8(call.arg) + ")");
    }
  }
  return out;
}

void FailCall(const std::string &fn, DWORD error, int times, int skip) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  C().faults.push_back(Fault{fn, error, times, skip});
}

void FailCallAt(size_t position, DWORD error) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  C().faultsAt[position] = error;
}

DWORD Now() { return C().now; }

void Advance(DWORD ms) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  C().now += ms;
}

DWORD SleptMs() { return C().slept; }

bool Enter(const char *fn, const std::wstring &arg) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  Core &core = C();
  const size_t position = core.journal.size();
  core.journal.push_back(Call{fn, arg});
  tLastError = kPoisonError;
  auto at = core.faultsAt.find(position);
  if (at != core.faultsAt.end()) {
    tLastError = at->second;
    core.faultsAt.erase(at);
    return true;
  }
  for (Fault &fault : core.faults) {
    if (fault.fn != fn || fault.remaining == 0) continue;
    if (fault.skip > 0) {
      --fault.skip;
      continue;
    }
    if (fault.remaining > 0) --fault.remaining;
    tLastError = fault.error;
    return true;
  }
  return false;
}

void Note(const char *fn, const std::wstring &arg) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  C().journal.push_back(Call{fn, arg});
}

void SetError(DWORD error) { tLastError = error; }
DWORD LastError() { return tLastError; }

const char *KindName(HandleKind kind) {
  switch (kind) {
    case HandleKind::Printer:
      return "printer";
    case HandleKind::PrintServer:
      return "print server";
    case HandleKind::ScManager:
      return "service manager";
    case HandleKind::Service:
      return "service";
    case HandleKind::Process:
      return "process";
    case HandleKind::ProcessThread:
      return "process thread";
    case HandleKind::Thread:
      return "thread";
  }
  return "?";
}

HANDLE NewHandle(HandleKind kind, const std::wstring &what) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  HANDLE handle = reinterpret_cast<HANDLE>(C().nextHandle);
  C().nextHandle += 4;
  C().handles[handle] = HandleInfo{kind, what, nullptr};
  return handle;
}

HandleInfo *FindHandle(HANDLE handle, HandleKind kind) {
  HandleInfo *info = FindAnyHandle(handle);
  return info != nullptr && info->kind == kind ? info : nullptr;
}

HandleInfo *FindAnyHandle(HANDLE handle) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  auto it = C().handles.find(handle);
  return it == C().handles.end() ? nullptr : &it->second;
}

void DropHandle(HANDLE handle) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  C().handles.erase(handle);
}

std::wstring HandleName(HANDLE handle) {
  HandleInfo *info = FindAnyHandle(handle);
  return info != nullptr ? info->what : L"?";
}

BOOL CloseOfKinds(const char *fn, HANDLE handle, std::initializer_list<HandleKind> kinds) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  HandleInfo *info = FindAnyHandle(handle);
  if (Enter(fn, HandleName(handle))) return FALSE;
  bool known = false;
  for (HandleKind kind : kinds) known = known || (info != nullptr && info->kind == kind);
  if (!known) {
    ADD_FAILURE() << fn << " of a handle that is not open or not of its kind";
    SetError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DropHandle(handle);
  return TRUE;
}

std::vector<std::string> LeakReport() {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  std::vector<std::string> lines;
  for (const auto &h : C().handles) {
    lines.push_back(std::string("open ") + KindName(h.second.kind) +
                    " handle: " + Utf8(h.second.what));
  }
  for (const auto &b : C().heap) {
    lines.push_back(std::string("live ") + (b.second.local ? "local" : "process") +
                    " heap block of " + std::to_string(b.second.bytes) + " bytes");
  }
  return lines;
}

size_t OpenHandleCount() { return C().handles.size(); }
size_t LiveHeapBlockCount() { return C().heap.size(); }

size_t HeapBlockSize(const void *block) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  auto it = C().heap.find(block);
  return it == C().heap.end() ? 0 : it->second.bytes;
}

std::string Utf8(const std::wstring &text) {
  if (text.empty()) return std::string();
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string out(size_t(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

bool SameText(const std::wstring &a, const std::wstring &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

namespace {

void *AllocBlock(size_t bytes, bool zero, bool local) {
  void *block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) return nullptr;
  std::memset(block, zero ? 0 : 0xCD, bytes == 0 ? 1 : bytes);
  C().heap[block] = HeapBlock{bytes, local};
  return block;
}

// Releases a block of the right heap; an unknown pointer is a bug in the code under test.
bool FreeBlock(const char *fn, void *block, bool local) {
  auto it = C().heap.find(block);
  if (it == C().heap.end() || it->second.local != local) {
    ADD_FAILURE() << fn << " of a pointer that is no live block of that heap";
    return false;
  }
  C().heap.erase(it);
  std::free(block);
  return true;
}

}  // namespace
}  // namespace sim

namespace os {

using sim::C;
using sim::Lock;

DWORD GetLastError() { return sim::tLastError; }

DWORD GetTickCount() {
  sim::Note("GetTickCount");
  return sim::Now();
}

void Sleep(DWORD dwMilliseconds) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  sim::Note("Sleep", std::to_wstring(dwMilliseconds));
  C().now += dwMilliseconds;
  C().slept += dwMilliseconds;
}

HANDLE GetProcessHeap() {
  sim::Note("GetProcessHeap");
  return sim::kProcessHeap;
}

LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (sim::Enter("HeapAlloc", std::to_wstring(dwBytes))) return nullptr;
  if (hHeap != sim::kProcessHeap)
    ADD_FAILURE() << "HeapAlloc on a heap other than the process heap";
  return sim::AllocBlock(dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0, false);
}

LPVOID HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (sim::Enter("HeapReAlloc", std::to_wstring(dwBytes))) return nullptr;
  if (hHeap != sim::kProcessHeap)
    ADD_FAILURE() << "HeapReAlloc on a heap other than the process heap";
  auto it = C().heap.find(lpMem);
  if (it == C().heap.end() || it->second.local) {
    ADD_FAILURE() << "HeapReAlloc of a pointer that is no live process heap block";
    return nullptr;
  }
  const size_t oldBytes = it->second.bytes;
  void *grown = sim::AllocBlock(dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0, false);
  if (grown == nullptr) return nullptr;
  std::memcpy(grown, lpMem, oldBytes < dwBytes ? oldBytes : dwBytes);
  sim::FreeBlock("HeapReAlloc", lpMem, false);
  return grown;
}

BOOL HeapFree(HANDLE hHeap, DWORD, LPVOID lpMem) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (sim::Enter("HeapFree")) return FALSE;
  if (hHeap != sim::kProcessHeap) ADD_FAILURE() << "HeapFree on a heap other than the process heap";
  if (lpMem == nullptr) return TRUE;
  return sim::FreeBlock("HeapFree", lpMem, false) ? TRUE : FALSE;
}

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (sim::Enter("LocalAlloc", std::to_wstring(uBytes))) return nullptr;
  if (uFlags & LMEM_MOVEABLE) ADD_FAILURE() << "LocalAlloc of a moveable block";
  return sim::AllocBlock(uBytes, (uFlags & LMEM_ZEROINIT) != 0, true);
}

HLOCAL LocalFree(HLOCAL hMem) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (sim::Enter("LocalFree")) return hMem;
  if (hMem == nullptr) return nullptr;
  return sim::FreeBlock("LocalFree", hMem, true) ? nullptr : hMem;
}

BOOL CloseHandle(HANDLE hObject) {
  return sim::CloseOfKinds(
      "CloseHandle", hObject,
      {sim::HandleKind::Process, sim::HandleKind::ProcessThread, sim::HandleKind::Thread});
}

int lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2) {
  sim::Note("lstrcmpiW");
  std::wstring a(lpString1), b(lpString2);
  for (auto &ch : a) ch = wchar_t(std::towlower(ch));
  for (auto &ch : b) ch = wchar_t(std::towlower(ch));
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

}  // namespace os
