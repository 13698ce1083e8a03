// VnVProcessor: a print processor that passes RAW jobs through unchanged.
// The spooler opens it per job; PrintDocumentOnPrintProcessor reads the job
// back through the spooler and writes it to the name handed to
// OpenPrintProcessor (the printer, or on Wine its port).
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

namespace {

const DWORD kJobMagic = 0x56764e50;  // guards against handles that are not ours
const wchar_t kRaw[] = L"RAW";

struct ProcessorJob {
    DWORD magic;
    wchar_t* pOutputName;
    wchar_t* pDocumentTitle;
    wchar_t* pOutputFile;
    HANDLE hResume;  // manual-reset event, signalled unless the job is paused
    volatile LONG cancelled;
};

// Returns a LocalAlloc'd copy (released with LocalFree), null for null.
wchar_t* CopyText(const wchar_t* pText) {
    if (pText == nullptr) return nullptr;
    size_t cb = (wcslen(pText) + 1) * sizeof(wchar_t);
    auto* pCopy = static_cast<wchar_t*>(LocalAlloc(LMEM_FIXED, cb));
    if (pCopy != nullptr) memcpy(pCopy, pText, cb);
    return pCopy;
}

bool IsRaw(const wchar_t* pDatatype) {
    return pDatatype != nullptr &&
           CompareStringOrdinal(pDatatype, -1, kRaw, -1, TRUE) == CSTR_EQUAL;
}

ProcessorJob* JobFromHandle(HANDLE hProcessor) {
    auto* pJob = static_cast<ProcessorJob*>(hProcessor);
    if (pJob == nullptr || pJob->magic != kJobMagic) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return pJob;
}

void FreeJob(ProcessorJob* pJob) {
    if (pJob->hResume != nullptr) CloseHandle(pJob->hResume);
    LocalFree(pJob->pOutputName);
    LocalFree(pJob->pDocumentTitle);
    LocalFree(pJob->pOutputFile);
    pJob->magic = 0;
    LocalFree(pJob);
}

// Copies everything the job reader yields to the output; stops early when
// the job is cancelled, and waits while it is paused.
BOOL CopyJobData(ProcessorJob* pJob, HANDLE hReader, HANDLE hOutput) {
    BYTE buffer[4096];
    for (;;) {
        WaitForSingleObject(pJob->hResume, INFINITE);
        if (pJob->cancelled) return TRUE;
        DWORD cbRead = 0;
        if (!ReadPrinter(hReader, buffer, sizeof(buffer), &cbRead)) return FALSE;
        if (cbRead == 0) return TRUE;
        DWORD offset = 0;
        while (offset < cbRead) {
            DWORD cbWritten = 0;
            if (!WritePrinter(hOutput, buffer + offset, cbRead - offset, &cbWritten) ||
                cbWritten == 0) {
                return FALSE;
            }
            offset += cbWritten;
        }
    }
}

BOOL PrintThroughOutput(ProcessorJob* pJob, HANDLE hReader) {
    HANDLE hOutput = nullptr;
    if (!OpenPrinterW(pJob->pOutputName, &hOutput, nullptr)) return FALSE;
    DOC_INFO_1W doc = {pJob->pDocumentTitle, pJob->pOutputFile, const_cast<wchar_t*>(kRaw)};
    BOOL bOk = StartDocPrinterW(hOutput, 1, reinterpret_cast<BYTE*>(&doc)) != 0;
    if (bOk) {
        bOk = CopyJobData(pJob, hReader, hOutput);
        DWORD dwError = GetLastError();
        BOOL bEnded = EndDocPrinter(hOutput);
        if (!bOk) {
            SetLastError(dwError);  // the copy's failure matters more than the cleanup's
        } else {
            bOk = bEnded;
        }
    }
    ClosePrinter(hOutput);
    return bOk;
}

}  // namespace

extern "C" {

BOOL WINAPI EnumPrintProcessorDatatypesW(LPWSTR, LPWSTR, DWORD Level, LPBYTE pDatatypes,
                                         DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) {
    if (pcbNeeded == nullptr || pcReturned == nullptr || Level != 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *pcReturned = 0;
    *pcbNeeded = sizeof(DATATYPES_INFO_1W) + sizeof(kRaw);
    if (cbBuf < *pcbNeeded || pDatatypes == nullptr) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* pInfo = reinterpret_cast<DATATYPES_INFO_1W*>(pDatatypes);
    auto* pName = reinterpret_cast<wchar_t*>(pInfo + 1);
    memcpy(pName, kRaw, sizeof(kRaw));
    pInfo->pName = pName;
    *pcReturned = 1;
    return TRUE;
}

HANDLE WINAPI OpenPrintProcessor(LPWSTR pPrinterName, PPRINTPROCESSOROPENDATA pOpenData) {
    if (pPrinterName == nullptr || pOpenData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!IsRaw(pOpenData->pDatatype)) {
        SetLastError(ERROR_INVALID_DATATYPE);
        return nullptr;
    }
    auto* pJob = static_cast<ProcessorJob*>(LocalAlloc(LPTR, sizeof(ProcessorJob)));
    if (pJob == nullptr) return nullptr;
    pJob->magic = kJobMagic;
    pJob->pOutputName = CopyText(pPrinterName);
    pJob->pDocumentTitle = CopyText(pOpenData->pDocumentName);
    pJob->pOutputFile = CopyText(pOpenData->pOutputFile);
    pJob->hResume = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    if (pJob->pOutputName == nullptr || pJob->hResume == nullptr) {
        DWORD dwError = GetLastError();
        FreeJob(pJob);
        SetLastError(dwError);
        return nullptr;
    }
    return pJob;
}

BOOL WINAPI PrintDocumentOnPrintProcessor(HANDLE hPrintProcessor, LPWSTR pDocumentName) {
    ProcessorJob* pJob = JobFromHandle(hPrintProcessor);
    if (pJob == nullptr) return FALSE;
    // pDocumentName is "<printer>, Job <id>": opening it reads the spooled data.
    HANDLE hReader = nullptr;
    if (!OpenPrinterW(pDocumentName, &hReader, nullptr)) return FALSE;
    BOOL bOk = PrintThroughOutput(pJob, hReader);
    DWORD dwError = GetLastError();
    ClosePrinter(hReader);
    SetLastError(dwError);
    return bOk;
}

BOOL WINAPI ControlPrintProcessor(HANDLE hPrintProcessor, DWORD Command) {
    ProcessorJob* pJob = JobFromHandle(hPrintProcessor);
    if (pJob == nullptr) return FALSE;
    switch (Command) {
        case JOB_CONTROL_PAUSE: return ResetEvent(pJob->hResume);
        case JOB_CONTROL_RESUME: return SetEvent(pJob->hResume);
        case JOB_CONTROL_CANCEL:
            InterlockedExchange(&pJob->cancelled, 1);
            return SetEvent(pJob->hResume);  // a paused job must wake up to stop
        default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
}

BOOL WINAPI ClosePrintProcessor(HANDLE hPrintProcessor) {
    ProcessorJob* pJob = JobFromHandle(hPrintProcessor);
    if (pJob == nullptr) return FALSE;
    FreeJob(pJob);
    return TRUE;
}

DWORD WINAPI GetPrintProcessorCapabilities(LPWSTR pValueName, DWORD, LPBYTE pData, DWORD nSize,
                                           LPDWORD pcbNeeded) {
    if (pcbNeeded == nullptr) return ERROR_INVALID_PARAMETER;
    *pcbNeeded = sizeof(PRINTPROCESSOR_CAPS_1);
    if (!IsRaw(pValueName)) return ERROR_INVALID_DATATYPE;
    if (pData == nullptr || nSize < sizeof(PRINTPROCESSOR_CAPS_1)) return ERROR_MORE_DATA;
    PRINTPROCESSOR_CAPS_1 caps = {};
    caps.dwLevel = 1;
    caps.dwNupOptions = 1;  // bit 0: one page per sheet, the only layout RAW allows
    caps.dwPageOrderFlags = NORMAL_PRINT;
    caps.dwNumberOfCopies = 1;
    memcpy(pData, &caps, sizeof(caps));
    return ERROR_SUCCESS;
}

}  // extern "C"
