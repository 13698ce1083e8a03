// Just enough of the INF format to find a printer model's driver files.
// Pure: works on decoded text, so tests feed it INF snippets.
#pragma once

#include <string>
#include <vector>

namespace e2e {

struct InfLine {
    std::wstring key;                  // text left of '=', empty when none
    std::vector<std::wstring> fields;  // comma-separated values, unquoted
};

struct InfSection {
    std::wstring name;
    std::vector<InfLine> lines;
};

struct InfFile {
    std::vector<InfSection> sections;  // in file order; %strings% already replaced
};

struct PrinterDriverFiles {
    bool ok = false;
    std::wstring error;
    std::wstring installSection;
    std::wstring driverFile;
    std::wstring configFile;
    std::wstring dataFile;
    std::wstring helpFile;
    std::wstring defaultDataType;
    std::vector<std::wstring> dependentFiles;  // copied files that are none of the above
};

// Parses INF text: [sections], key = a, "b c", d lines, ';' comments,
// trailing '\' continuations, %token% replaced from [Strings].
InfFile ParseInf(const std::wstring& text);

// Finds the section with this name (case-insensitive), or null.
const InfSection* FindSection(const InfFile& inf, const std::wstring& name);

// Looks model up through [Manufacturer] and its models section (preferring
// the decoration for platform, e.g. "NTamd64", over the plain section) and
// collects the files its install section names.
PrinterDriverFiles FindModelDriverFiles(const InfFile& inf, const std::wstring& model,
                                        const std::wstring& platform);

}  // namespace e2e
