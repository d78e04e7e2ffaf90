// The recorder's file system calls on Windows: the C runtime's wide calls (which set errno)
// on UTF-16 paths converted from our UTF-8, and MoveFileExW for the one rename that may replace.
#include "platform/file_system.h"
#include "platform/platform.h"

#include "platform/windows_api.h"
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "platform/text_win32.h"

namespace {
// A path that is not UTF-8 names nothing that can exist.
bool widened(const std::string& path, std::wstring* wide) {
    *wide = widen(path);
    if (wide->empty()) errno = path.empty() ? ENOENT : EILSEQ;
    return !wide->empty();
}

// The C runtime's stat refuses "C:\dir\" and "dir/" alike; the directory itself is meant.
std::wstring withoutTrailingSeparator(std::wstring path) {
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/') && path[path.size() - 2] != L':')
        path.pop_back();
    return path;
}
}  // namespace

PlatformPathKind platformPathKind(const std::string& path) {
    std::wstring wide;
    if (!widened(path, &wide)) return errno == ENOENT ? PLATFORM_PATH_MISSING : PLATFORM_PATH_ERROR;
    struct _stat64 info;
    const std::wstring plain = withoutTrailingSeparator(wide);
    if (_wstat64(plain.c_str(), &info) != 0) {
        if (errno != ENOENT) return PLATFORM_PATH_ERROR;
        // A link whose target is gone still has attributes of its own.
        return GetFileAttributesW(plain.c_str()) != INVALID_FILE_ATTRIBUTES ? PLATFORM_PATH_DANGLING
                                                                            : PLATFORM_PATH_MISSING;
    }
    if (info.st_mode & _S_IFDIR) return PLATFORM_PATH_DIRECTORY;
    return (info.st_mode & _S_IFREG) ? PLATFORM_PATH_FILE : PLATFORM_PATH_OTHER;
}

long long platformFileSize(const std::string& path) {
    std::wstring wide;
    struct _stat64 info;
    if (!widened(path, &wide) || _wstat64(wide.c_str(), &info) != 0) return -1;
    return static_cast<long long>(info.st_size);
}

int platformCanWriteFile(const std::string& path) {
    std::wstring wide;
    return widened(path, &wide) && _waccess(wide.c_str(), 2) == 0;  // read-only files refuse
}

int platformMakeDirectory(const std::string& path) {
    std::wstring wide;
    return widened(path, &wide) && _wmkdir(wide.c_str()) == 0;
}

int platformListDirectory(const std::string& directory, std::vector<std::string>* names) {
    names->clear();
    std::wstring wide;
    if (!widened(directory, &wide)) return 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((withoutTrailingSeparator(wide) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
        return 0;
    }
    do {
        const std::string name = narrow(found.cFileName);
        if (!name.empty() && name != "." && name != "..") names->push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return 1;
}

std::string platformAbsolutePath(const std::string& path) {
    std::wstring wide;
    if (!widened(path, &wide)) return "";
    wchar_t* full = _wfullpath(nullptr, wide.c_str(), 0);
    if (!full) return "";
    const std::string out = narrow(full);
    std::free(full);
    return out;
}

std::string platformFollowLink(const std::string& path) {
    std::wstring wide;
    if (!widened(path, &wide)) return path;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
    HANDLE file = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return path;
    wchar_t target[32768];
    const DWORD length = GetFinalPathNameByHandleW(file, target, 32768, FILE_NAME_NORMALIZED);
    CloseHandle(file);
    if (length == 0 || length >= 32768) return path;
    std::wstring resolved(target, length);
    if (resolved.compare(0, 4, L"\\\\?\\") == 0 && resolved.compare(0, 8, L"\\\\?\\UNC\\") != 0)
        resolved = resolved.substr(4);  // "\\?\C:\..." as a plain path
    const std::string out = narrow(resolved);
    return out.empty() ? path : out;
}

int platformCreateNewFile(const std::string& path) {
    std::wstring wide;
    if (!widened(path, &wide)) return -1;
    const int fd =
        _wopen(wide.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0) return errno == EEXIST ? 0 : -1;
    _close(fd);
    return 1;
}

int platformRenameFile(const std::string& from, const std::string& to, int replace) {
    std::wstring wideFrom, wideTo;
    if (!widened(from, &wideFrom) || !widened(to, &wideTo)) return 0;
    // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing name, in one step.
    if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) return 1;
    const DWORD error = GetLastError();
    errno = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? EEXIST
            : error == ERROR_ACCESS_DENIED                              ? EACCES
                                                                        : EIO;
    return 0;
}

namespace {
// Windows locks byte ranges for every reader and writer alike: the one locked lies far past
// any data, so the file's own writes, renames and removal go on untouched.
OVERLAPPED heldRange() {
    OVERLAPPED range = {};
    range.Offset = 0xFFFFFFF0u;
    range.OffsetHigh = 0x7FFFFFFFu;
    return range;
}
}  // namespace

intptr_t platformHoldFile(const std::string& path) {
    std::wstring wide;
    if (!widened(path, &wide)) return -1;
    const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        errno = ENOENT;
        return -1;
    }
    OVERLAPPED range = heldRange();
    const bool disk = GetFileType(file) == FILE_TYPE_DISK;
    if (!disk || !LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
        errno = disk && GetLastError() == ERROR_LOCK_VIOLATION ? EWOULDBLOCK : EACCES;
        CloseHandle(file);
        return -1;
    }
    return reinterpret_cast<intptr_t>(file);
}

void platformReleaseFile(intptr_t hold) {
    if (hold != -1) CloseHandle(reinterpret_cast<HANDLE>(hold));
}

int platformRemoveFile(const char* path) {
    std::wstring wide;
    return widened(path, &wide) && _wremove(wide.c_str()) == 0;
}

int platformRemoveDirectory(const std::string& path) {
    std::wstring wide;
    return widened(path, &wide) && _wrmdir(wide.c_str()) == 0;
}

int platformTruncateFile(std::FILE* file, long long size) { return _chsize_s(_fileno(file), size) == 0; }

const char* platformPathSeparators() { return "\\/"; }

std::string platformDriveRoot(const char* path) {
    const char drive = path[0];
    const bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    if (!letter || path[1] != ':' || (path[2] != '\\' && path[2] != '/')) return "";
    return std::string(path, 2) + "/";
}

void platformPrepareStandardStreams() {
    // The C runtime, like POSIX, gives a new file the lowest free number: 0, 1, 2 in turn.
    // A write to a pipe whose reader has gone fails here anyway: Windows has no SIGPIPE.
    std::FILE* const streams[3] = {stdin, stdout, stderr};
    for (int fd = 0; fd <= 2; ++fd)
        if (_get_osfhandle(fd) == -1) std::freopen("NUL", fd == 0 ? "r" : "w", streams[fd]);
}
