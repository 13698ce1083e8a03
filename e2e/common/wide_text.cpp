#include "wide_text.h"

#include <memory>

namespace e2e {
namespace {

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

UniqueHandle OpenOrNull(HANDLE h) {
    return UniqueHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

std::wstring Decode(UINT codePage, DWORD dwFlags, std::string_view bytes) {
    if (bytes.empty()) return std::wstring();
    int cch = MultiByteToWideChar(codePage, dwFlags, bytes.data(), static_cast<int>(bytes.size()),
                                  nullptr, 0);
    if (cch <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(cch), L'\0');
    MultiByteToWideChar(codePage, dwFlags, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                        cch);
    return text;
}

}  // namespace

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return std::string();
    int cb = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
    if (cb <= 0) return std::string();
    std::string bytes(static_cast<size_t>(cb), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], cb,
                        nullptr, nullptr);
    return bytes;
}

std::wstring FromUtf8(std::string_view bytes) { return Decode(CP_UTF8, 0, bytes); }

std::wstring DecodeTextFile(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        }
        return text;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        return FromUtf8(bytes.substr(3));
    }
    std::wstring text = Decode(CP_UTF8, MB_ERR_INVALID_CHARS, bytes);
    if (!text.empty() || bytes.empty()) return text;
    return Decode(CP_ACP, 0, bytes);
}

bool ReadWholeFile(const std::wstring& path, std::string* pBytes) {
    UniqueHandle hFile = OpenOrNull(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                nullptr));
    if (!hFile) return false;
    pBytes->clear();
    char buffer[4096];
    DWORD cbRead = 0;
    while (ReadFile(hFile.get(), buffer, sizeof(buffer), &cbRead, nullptr) && cbRead > 0) {
        pBytes->append(buffer, cbRead);
    }
    return true;
}

bool WriteUtf8(HANDLE hOut, std::wstring_view text) {
    if (hOut == nullptr || hOut == INVALID_HANDLE_VALUE) return false;
    std::string bytes = ToUtf8(text);
    size_t offset = 0;
    while (offset < bytes.size()) {
        DWORD cbWritten = 0;
        DWORD cbChunk = static_cast<DWORD>(bytes.size() - offset);
        if (!WriteFile(hOut, bytes.data() + offset, cbChunk, &cbWritten, nullptr) ||
            cbWritten == 0) {
            return false;
        }
        offset += cbWritten;
    }
    return true;
}

bool AppendUtf8(const std::wstring& path, std::wstring_view text) {
    // Share write access: two stand-in processes may log at nearly the same time.
    UniqueHandle hFile = OpenOrNull(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hFile) return false;
    return WriteUtf8(hFile.get(), text);
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace e2e
