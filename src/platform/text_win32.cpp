// UTF-8 to UTF-16 and back for the Windows files of the platform: every path and argument
// is UTF-8 above the platform and UTF-16 in the wide calls of the system.
#include "platform/text_win32.h"

#include "platform/windows_api.h"

std::wstring widen(const std::string& utf8) {
    if (utf8.empty()) return L"";
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (size <= 0) return L"";
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), &out[0], size);
    return out;
}

std::string narrow(const std::wstring& utf16) {
    if (utf16.empty()) return "";
    const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(), static_cast<int>(utf16.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) return "";
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(), static_cast<int>(utf16.size()), &out[0], size,
                        nullptr, nullptr);
    return out;
}
