// UTF-16 <-> UTF-8 and small output helpers shared by the e2e tools.
#pragma once

#include <string>
#include <string_view>

#include <windows.h>

namespace e2e {

// Returns the UTF-8 form of text; unpaired surrogates become U+FFFD.
std::string ToUtf8(std::wstring_view text);

// Returns the UTF-16 form of UTF-8 bytes; invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view bytes);

// Decodes a text file's bytes: UTF-16LE or UTF-8 by their BOM, else UTF-8
// when valid, else the ANSI code page (as Windows reads legacy INF files).
std::wstring DecodeTextFile(std::string_view bytes);

// Reads a whole file into bytes. Returns false when it cannot be opened.
bool ReadWholeFile(const std::wstring& path, std::string* pBytes);

// Writes text as UTF-8 to handle (a console, pipe or file). Returns false
// when the handle is missing or a write fails.
bool WriteUtf8(HANDLE hOut, std::wstring_view text);

// Appends text as UTF-8 to the file at path, creating it when needed.
bool AppendUtf8(const std::wstring& path, std::wstring_view text);

// Case-insensitive equality the way Windows compares spooler names.
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace e2e
