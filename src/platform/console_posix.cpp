// The program's text on standard output and error where the system's streams take UTF-8 as it
// is: POSIX terminals, pipes and files, and the browser's console.
#include "platform/platform.h"

#include <cstdarg>

void platformPrint(std::FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stream, format, args);
    va_end(args);
}
