// The program's text on standard output and error on Windows: a console shows what reaches it
// through its own code page (437, 850, 1252...), which garbles UTF-8, so it is given UTF-16.
#include "platform/platform.h"

#include "platform/windows_api.h"
#include <io.h>

#include <cstdarg>
#include <string>

#include "platform/text_win32.h"

namespace {
// The stream's console, or null when it is a pipe, a file or the null device.
HANDLE consoleOf(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}
}  // namespace

void platformPrint(std::FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int size = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
    va_end(again);

    const HANDLE console = consoleOf(stream);
    const std::wstring wide = console ? widen(text) : std::wstring();
    if (!wide.empty()) {
        std::fflush(stream);  // what went through the C library before comes first
        DWORD written;
        if (WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)) return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);  // a pipe or file, or text that is not UTF-8
}
