// Production side of the OS door: each call goes straight to Windows.
#include "os/win32_api.h"

namespace os {

BOOL EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) { return ::EnumPrintersW(Flags, Name, Level, pPrinterEnum, cbBuf, pcbNeeded, pcReturned); }
BOOL EnumPortsW(LPWSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) { return ::EnumPortsW(pName, Level, pPort, cbBuf, pcbNeeded, pcReturned); }
BOOL AddPortW(LPWSTR pName, HWND hWnd, LPWSTR pMonitorName) { return ::AddPortW(pName, hWnd, pMonitorName); }
BOOL EnumPrintProcessorsW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level, LPBYTE pPrintProcessorInfo, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) { return ::EnumPrintProcessorsW(pName, pEnvironment, Level, pPrintProcessorInfo, cbBuf, pcbNeeded, pcReturned); }
BOOL OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault) { return ::OpenPrinterW(pPrinterName, phPrinter, pDefault); }
BOOL ClosePrinter(HANDLE hPrinter) { return ::ClosePrinter(hPrinter); }
BOOL GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) { return ::GetPrinterW(hPrinter, Level, pPrinter, cbBuf, pcbNeeded); }
BOOL SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command) { return ::SetPrinterW(hPrinter, Level, pPrinter, Command); }
BOOL GetFormW(HANDLE hPrinter, LPWSTR pFormName, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded) { return ::GetFormW(hPrinter, pFormName, Level, pForm, cbBuf, pcbNeeded); }
BOOL DeleteFormW(HANDLE hPrinter, LPWSTR pFormName) { return ::DeleteFormW(hPrinter, pFormName); }
BOOL AddFormW(HANDLE hPrinter, DWORD Level, LPBYTE pForm) { return ::AddFormW(hPrinter, Level, pForm); }
BOOL GetPrintProcessorDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level, LPBYTE pPrintProcessorInfo, DWORD cbBuf, LPDWORD pcbNeeded) { return ::GetPrintProcessorDirectoryW(pName, pEnvironment, Level, pPrintProcessorInfo, cbBuf, pcbNeeded); }
BOOL AddPrintProcessorW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pPathName, LPWSTR pPrintProcessorName) { return ::AddPrintProcessorW(pName, pEnvironment, pPathName, pPrintProcessorName); }
BOOL DeletePrintProcessorW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pPrintProcessorName) { return ::DeletePrintProcessorW(pName, pEnvironment, pPrintProcessorName); }
SC_HANDLE OpenSCManagerW(LPCWSTR lpMachineName, LPCWSTR lpDatabaseName, DWORD dwDesiredAccess) { return ::OpenSCManagerW(lpMachineName, lpDatabaseName, dwDesiredAccess); }
SC_HANDLE OpenServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, DWORD dwDesiredAccess) { return ::OpenServiceW(hSCManager, lpServiceName, dwDesiredAccess); }
BOOL QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus) { return ::QueryServiceStatus(hService, lpServiceStatus); }
BOOL StartServiceW(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCWSTR *lpServiceArgVectors) { return ::StartServiceW(hService, dwNumServiceArgs, lpServiceArgVectors); }
BOOL ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) { return ::ControlService(hService, dwControl, lpServiceStatus); }
BOOL CloseServiceHandle(SC_HANDLE hSCObject) { return ::CloseServiceHandle(hSCObject); }
BOOL EnumThreadWindows(DWORD dwThreadId, WNDENUMPROC lpfn, LPARAM lParam) { return ::EnumThreadWindows(dwThreadId, lpfn, lParam); }
int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) { return ::GetClassNameW(hWnd, lpClassName, nMaxCount); }
HWND FindWindowExW(HWND hWndParent, HWND hWndChildAfter, LPCWSTR lpszClass, LPCWSTR lpszWindow) { return ::FindWindowExW(hWndParent, hWndChildAfter, lpszClass, lpszWindow); }
BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) { return ::SetWindowTextW(hWnd, lpString); }
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) { return ::PostMessageW(hWnd, Msg, wParam, lParam); }
UINT MapVirtualKeyW(UINT uCode, UINT uMapType) { return ::MapVirtualKeyW(uCode, uMapType); }
BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes, LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags, LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation) { return ::CreateProcessW(lpApplicationName, lpCommandLine, lpProcessAttributes, lpThreadAttributes, bInheritHandles, dwCreationFlags, lpEnvironment, lpCurrentDirectory, lpStartupInfo, lpProcessInformation); }
HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) { return ::CreateThread(lpThreadAttributes, dwStackSize, lpStartAddress, lpParameter, dwCreationFlags, lpThreadId); }
BOOL TerminateThread(HANDLE hThread, DWORD dwExitCode) { return ::TerminateThread(hThread, dwExitCode); }
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) { return ::WaitForSingleObject(hHandle, dwMilliseconds); }
BOOL CloseHandle(HANDLE hObject) { return ::CloseHandle(hObject); }
DWORD GetTickCount() { return ::GetTickCount(); }
void Sleep(DWORD dwMilliseconds) { ::Sleep(dwMilliseconds); }
DWORD GetLastError() { return ::GetLastError(); }
DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) { return ::GetModuleFileNameW(hModule, lpFilename, nSize); }
UINT GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) { return ::GetSystemDirectoryW(lpBuffer, uSize); }
BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) { return ::CopyFileW(lpExistingFileName, lpNewFileName, bFailIfExists); }
HANDLE GetProcessHeap() { return ::GetProcessHeap(); }
LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) { return ::HeapAlloc(hHeap, dwFlags, dwBytes); }
LPVOID HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes) { return ::HeapReAlloc(hHeap, dwFlags, lpMem, dwBytes); }
BOOL HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem) { return ::HeapFree(hHeap, dwFlags, lpMem); }
HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) { return ::LocalAlloc(uFlags, uBytes); }
HLOCAL LocalFree(HLOCAL hMem) { return ::LocalFree(hMem); }
int lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2) { return ::lstrcmpiW(lpString1, lpString2); }

}  // namespace os
