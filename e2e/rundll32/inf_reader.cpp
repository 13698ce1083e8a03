#include "inf_reader.h"

#include <cwctype>

namespace e2e {
namespace {

bool SameNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return true;
}

std::wstring Trim(const std::wstring& s) {
    size_t first = s.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) return std::wstring();
    size_t last = s.find_last_not_of(L" \t\r\n");
    return s.substr(first, last - first + 1);
}

// Drops a ';' comment that is not inside quotes.
std::wstring StripComment(const std::wstring& line) {
    bool inQuotes = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == L'"') inQuotes = !inQuotes;
        if (line[i] == L';' && !inQuotes) return line.substr(0, i);
    }
    return line;
}

// Removes the quotes of one value; "" inside quotes stands for one quote.
std::wstring Unquote(const std::wstring& raw) {
    std::wstring value;
    std::wstring trimmed = Trim(raw);
    for (size_t i = 0; i < trimmed.size(); ++i) {
        if (trimmed[i] != L'"') {
            value += trimmed[i];
        } else if (i + 1 < trimmed.size() && trimmed[i + 1] == L'"') {
            value += L'"';
            ++i;
        }
    }
    return value;
}

// Splits at separator characters that lie outside quotes.
std::vector<std::wstring> SplitOutsideQuotes(const std::wstring& text, wchar_t separator,
                                             size_t maxParts) {
    std::vector<std::wstring> parts;
    std::wstring current;
    bool inQuotes = false;
    for (wchar_t ch : text) {
        if (ch == L'"') inQuotes = !inQuotes;
        if (ch == separator && !inQuotes && parts.size() + 1 < maxParts) {
            parts.push_back(current);
            current.clear();
        } else {
            current += ch;
        }
    }
    parts.push_back(current);
    return parts;
}

std::vector<std::wstring> LogicalLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::wstring pending;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = Trim(StripComment(text.substr(start, end - start)));
        if (!line.empty() && line.back() == L'\\') {
            pending += line.substr(0, line.size() - 1);
        } else {
            lines.push_back(pending + line);
            pending.clear();
        }
        start = end + 1;
    }
    if (!pending.empty()) lines.push_back(pending);
    return lines;
}

std::wstring ReplaceTokens(const std::wstring& text, const InfSection* pStrings) {
    std::wstring out;
    size_t i = 0;
    while (i < text.size()) {
        size_t close = text[i] == L'%' ? text.find(L'%', i + 1) : std::wstring::npos;
        if (close == std::wstring::npos) {
            out += text[i++];
            continue;
        }
        std::wstring token = text.substr(i + 1, close - i - 1);
        std::wstring replacement = token.empty() ? L"%" : L"%" + token + L"%";
        if (pStrings != nullptr && !token.empty()) {
            for (const InfLine& line : pStrings->lines) {
                if (SameNoCase(line.key, token) && !line.fields.empty()) {
                    replacement = line.fields[0];
                    break;
                }
            }
        }
        out += replacement;
        i = close + 1;
    }
    return out;
}

void ApplyStrings(InfFile* pInf) {
    const InfSection* pStrings = FindSection(*pInf, L"Strings");
    if (pStrings == nullptr) return;
    InfSection strings = *pStrings;  // the copy keeps lookups stable while we rewrite
    for (InfSection& section : pInf->sections) {
        if (SameNoCase(section.name, L"Strings")) continue;
        for (InfLine& line : section.lines) {
            line.key = ReplaceTokens(line.key, &strings);
            for (std::wstring& field : line.fields) field = ReplaceTokens(field, &strings);
        }
    }
}

const InfLine* FindLine(const InfSection& section, const std::wstring& key) {
    for (const InfLine& line : section.lines) {
        if (SameNoCase(line.key, key)) return &line;
    }
    return nullptr;
}

std::wstring FirstField(const InfSection& section, const std::wstring& key) {
    const InfLine* pLine = FindLine(section, key);
    return pLine != nullptr && !pLine->fields.empty() ? pLine->fields[0] : std::wstring();
}

bool PlatformDecoration(const std::wstring& decoration, const std::wstring& platform) {
    std::wstring arch = decoration.substr(0, decoration.find(L'.'));
    return SameNoCase(arch, L"NT" + platform);
}

// Returns the install section named for model, or empty with *pError set.
std::wstring FindInstallSection(const InfFile& inf, const std::wstring& model,
                                const std::wstring& platform, std::wstring* pError) {
    const InfSection* pManufacturer = FindSection(inf, L"Manufacturer");
    if (pManufacturer == nullptr) {
        *pError = L"no [Manufacturer] section";
        return std::wstring();
    }
    for (const InfLine& vendor : pManufacturer->lines) {
        if (vendor.fields.empty()) continue;
        std::vector<std::wstring> candidates;
        for (size_t i = 1; i < vendor.fields.size(); ++i) {
            if (PlatformDecoration(vendor.fields[i], platform)) {
                candidates.push_back(vendor.fields[0] + L"." + vendor.fields[i]);
            }
        }
        candidates.push_back(vendor.fields[0]);
        for (const std::wstring& name : candidates) {
            const InfSection* pModels = FindSection(inf, name);
            const InfLine* pModel = pModels != nullptr ? FindLine(*pModels, model) : nullptr;
            if (pModel != nullptr && !pModel->fields.empty() && !pModel->fields[0].empty()) {
                return pModel->fields[0];
            }
        }
    }
    *pError = L"model not found in the INF: " + model;
    return std::wstring();
}

void AddUnique(std::vector<std::wstring>* pFiles, const std::wstring& file) {
    if (file.empty()) return;
    for (const std::wstring& known : *pFiles) {
        if (SameNoCase(known, file)) return;
    }
    pFiles->push_back(file);
}

// Every file that CopyFiles names: "@file" directly, anything else as a
// section that lists one file per line.
std::vector<std::wstring> CopiedFiles(const InfFile& inf, const InfSection& install) {
    std::vector<std::wstring> files;
    for (const InfLine& line : install.lines) {
        if (!SameNoCase(line.key, L"CopyFiles")) continue;
        for (const std::wstring& item : line.fields) {
            if (!item.empty() && item[0] == L'@') {
                AddUnique(&files, Trim(item.substr(1)));
                continue;
            }
            const InfSection* pList = FindSection(inf, item);
            if (pList == nullptr) continue;
            for (const InfLine& entry : pList->lines) {
                AddUnique(&files, entry.key.empty() && !entry.fields.empty() ? entry.fields[0]
                                                                             : entry.key);
            }
        }
    }
    return files;
}

// Reads one directive from the install section, else from its DataSection(s).
std::wstring Directive(const InfFile& inf, const InfSection& install, const std::wstring& key) {
    std::wstring value = FirstField(install, key);
    if (!value.empty()) return value;
    const InfLine* pDataSections = FindLine(install, L"DataSection");
    if (pDataSections == nullptr) return value;
    for (const std::wstring& name : pDataSections->fields) {
        const InfSection* pData = FindSection(inf, name);
        if (pData != nullptr) value = FirstField(*pData, key);
        if (!value.empty()) return value;
    }
    return value;
}

}  // namespace

InfFile ParseInf(const std::wstring& text) {
    InfFile inf;
    for (const std::wstring& line : LogicalLines(text)) {
        if (line.empty()) continue;
        if (line[0] == L'[') {
            size_t close = line.find(L']');
            inf.sections.push_back({Trim(line.substr(1, close == std::wstring::npos
                                                            ? std::wstring::npos
                                                            : close - 1)),
                                    {}});
            continue;
        }
        if (inf.sections.empty()) continue;  // text before any section means nothing
        std::vector<std::wstring> keyAndRest = SplitOutsideQuotes(line, L'=', 2);
        InfLine parsed;
        std::wstring rest = keyAndRest.back();
        if (keyAndRest.size() == 2) parsed.key = Unquote(keyAndRest[0]);
        for (const std::wstring& field : SplitOutsideQuotes(rest, L',', static_cast<size_t>(-1))) {
            parsed.fields.push_back(Unquote(field));
        }
        inf.sections.back().lines.push_back(parsed);
    }
    ApplyStrings(&inf);
    return inf;
}

const InfSection* FindSection(const InfFile& inf, const std::wstring& name) {
    for (const InfSection& section : inf.sections) {
        if (SameNoCase(section.name, name)) return &section;
    }
    return nullptr;
}

PrinterDriverFiles FindModelDriverFiles(const InfFile& inf, const std::wstring& model,
                                        const std::wstring& platform) {
    PrinterDriverFiles result;
    std::wstring installName = FindInstallSection(inf, model, platform, &result.error);
    if (installName.empty()) return result;

    const InfSection* pInstall = nullptr;
    for (const std::wstring& suffix : {L".NT" + platform, std::wstring(L".NT"), std::wstring()}) {
        pInstall = FindSection(inf, installName + suffix);
        if (pInstall != nullptr) break;
    }
    if (pInstall == nullptr) {
        result.error = L"install section missing: " + installName;
        return result;
    }
    result.installSection = pInstall->name;
    result.driverFile = Directive(inf, *pInstall, L"DriverFile");
    result.configFile = Directive(inf, *pInstall, L"ConfigFile");
    result.dataFile = Directive(inf, *pInstall, L"DataFile");
    result.helpFile = Directive(inf, *pInstall, L"HelpFile");
    result.defaultDataType = Directive(inf, *pInstall, L"DefaultDataType");
    if (result.driverFile.empty() || result.configFile.empty() || result.dataFile.empty()) {
        result.error = L"install section lacks DriverFile, ConfigFile or DataFile: " +
                       pInstall->name;
        return result;
    }
    for (const std::wstring& file : CopiedFiles(inf, *pInstall)) {
        if (SameNoCase(file, result.driverFile) || SameNoCase(file, result.configFile) ||
            SameNoCase(file, result.dataFile) || SameNoCase(file, result.helpFile)) {
            continue;
        }
        result.dependentFiles.push_back(file);
    }
    result.ok = true;
    return result;
}

}  // namespace e2e
