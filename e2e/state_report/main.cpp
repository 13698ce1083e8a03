// Prints the local print system's state as UTF-8 lines, one record a line,
// fields separated by tabs, each section sorted so two runs over the same
// state print the same bytes:
//
//   printer<TAB>NAME<TAB>driver=D<TAB>port=P<TAB>processor=PP
//   driver<TAB>NAME<TAB>environment=E<TAB>driver=F<TAB>config=F<TAB>data=F
//   port<TAB>NAME<TAB>monitor=M
//   processor<TAB>NAME
//   processor-dir<TAB>PATH
//   processor-file<TAB>NAME
//
// Driver files are shown by file name only, so prefixes compare equal.
// A section the spooler cannot read prints "error<TAB>SECTION<TAB>CODE"
// and the exit code becomes 1.
#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>

#include "../common/spooler_lists.h"
#include "../common/wide_text.h"

namespace {

struct Report {
    std::vector<std::wstring> lines;
    bool failed = false;
};

std::wstring FilePart(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

void AddSorted(Report* pReport, std::vector<std::wstring> lines) {
    std::sort(lines.begin(), lines.end());
    pReport->lines.insert(pReport->lines.end(), lines.begin(), lines.end());
}

void AddError(Report* pReport, const wchar_t* pSection, unsigned long error) {
    pReport->lines.push_back(std::wstring(L"error\t") + pSection + L"\t" + std::to_wstring(error));
    pReport->failed = true;
}

void ReportPrinters(Report* pReport) {
    std::vector<e2e::PrinterRow> rows;
    unsigned long error = 0;
    if (!e2e::ListLocalPrinters(&rows, &error)) return AddError(pReport, L"printers", error);
    std::vector<std::wstring> lines;
    for (const e2e::PrinterRow& row : rows) {
        lines.push_back(L"printer\t" + row.name + L"\tdriver=" + row.driver + L"\tport=" +
                        row.port + L"\tprocessor=" + row.printProcessor);
    }
    AddSorted(pReport, lines);
}

void ReportDrivers(Report* pReport) {
    std::vector<e2e::DriverRow> rows;
    unsigned long error = 0;
    if (!e2e::ListDrivers(&rows, &error)) return AddError(pReport, L"drivers", error);
    std::vector<std::wstring> lines;
    for (const e2e::DriverRow& row : rows) {
        lines.push_back(L"driver\t" + row.name + L"\tenvironment=" + row.environment +
                        L"\tdriver=" + FilePart(row.driverPath) + L"\tconfig=" +
                        FilePart(row.configFile) + L"\tdata=" + FilePart(row.dataFile));
    }
    AddSorted(pReport, lines);
}

void ReportPorts(Report* pReport) {
    std::vector<e2e::PortRow> rows;
    unsigned long error = 0;
    if (!e2e::ListPorts(&rows, &error)) return AddError(pReport, L"ports", error);
    std::vector<std::wstring> lines;
    for (const e2e::PortRow& row : rows) {
        lines.push_back(L"port\t" + row.name + L"\tmonitor=" + row.monitor);
    }
    AddSorted(pReport, lines);
}

void ReportProcessors(Report* pReport) {
    std::vector<std::wstring> names;
    unsigned long error = 0;
    if (!e2e::ListPrintProcessors(&names, &error)) return AddError(pReport, L"processors", error);
    std::vector<std::wstring> lines;
    for (const std::wstring& name : names) lines.push_back(L"processor\t" + name);
    AddSorted(pReport, lines);
}

void ReportProcessorFiles(Report* pReport) {
    std::wstring directory;
    unsigned long error = 0;
    if (!e2e::GetProcessorDirectory(&directory, &error)) {
        return AddError(pReport, L"processor-dir", error);
    }
    pReport->lines.push_back(L"processor-dir\t" + directory);
    std::vector<std::wstring> names;
    if (!e2e::ListFiles(directory, &names, &error)) {
        return AddError(pReport, L"processor-files", error);
    }
    std::vector<std::wstring> lines;
    for (const std::wstring& name : names) lines.push_back(L"processor-file\t" + name);
    AddSorted(pReport, lines);
}

}  // namespace

int wmain() {
    Report report;
    ReportPrinters(&report);
    ReportDrivers(&report);
    ReportPorts(&report);
    ReportProcessors(&report);
    ReportProcessorFiles(&report);
    std::wstring text;
    for (const std::wstring& line : report.lines) text += line + L"\n";
    bool written = e2e::WriteUtf8(GetStdHandle(STD_OUTPUT_HANDLE), text);
    return report.failed || !written ? 1 : 0;
}
