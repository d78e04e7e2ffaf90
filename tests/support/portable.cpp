// Environment, directories and the program's own path for tests, through std::filesystem
// where it can and the one OS call each system has where it cannot.
#include "support/portable.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include "platform/windows_api.h"
#else
#include <unistd.h>

#include <climits>
#endif

void setTestEnvironment(const std::string& name, const std::string& value) {
#if defined(_WIN32)
    _putenv_s(name.c_str(), value.c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

void unsetTestEnvironment(const std::string& name) {
#if defined(_WIN32)
    _putenv_s(name.c_str(), "");  // an empty value removes the variable there
#else
    unsetenv(name.c_str());
#endif
}

void makeTestDirectories(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::u8path(path), error);
    if (error) std::abort();
}

std::string testProgramPath() {
#if defined(_WIN32)
    wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(nullptr, path, 32768);
    return std::filesystem::path(std::wstring(path, length)).u8string();
#else
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : "";
#endif
}
