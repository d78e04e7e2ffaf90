// The recorder's file system calls on POSIX systems: stat, access, mkdir, dirent, rename.
// Paths are bytes here, so UTF-8 passes through unchanged.
#include "platform/file_system.h"
#include "platform/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

PlatformPathKind platformPathKind(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) return PLATFORM_PATH_ERROR;
        return lstat(path.c_str(), &info) == 0 ? PLATFORM_PATH_DANGLING : PLATFORM_PATH_MISSING;
    }
    if (S_ISDIR(info.st_mode)) return PLATFORM_PATH_DIRECTORY;
    return S_ISREG(info.st_mode) ? PLATFORM_PATH_FILE : PLATFORM_PATH_OTHER;
}

long long platformFileSize(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

int platformCanWriteFile(const std::string& path) { return access(path.c_str(), W_OK) == 0; }

int platformMakeDirectory(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

int platformListDirectory(const std::string& directory, std::vector<std::string>* names) {
    names->clear();
    DIR* handle = opendir(directory.c_str());
    if (!handle) return 0;
    while (const dirent* entry = readdir(handle)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names->push_back(name);
    }
    closedir(handle);
    return 1;
}

std::string platformAbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return "";
    return std::string(cwd) + "/" + path;
}

std::string platformFollowLink(const std::string& path) {
    struct stat info;
    char resolved[PATH_MAX];
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && realpath(path.c_str(), resolved)) return resolved;
    return path;
}

int platformCreateNewFile(const std::string& path) {
    // Mode 0666 less the umask: as a file the encoder had created itself.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno == EEXIST ? 0 : -1;
    close(fd);
    return 1;
}

namespace {
int renameNoReplace(const char* from, const char* to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 1;
    if (errno != EINVAL && errno != ENOSYS) return 0;
#elif defined(__APPLE__)
    if (renamex_np(from, to, RENAME_EXCL) == 0) return 1;
    if (errno != ENOTSUP) return 0;
#endif
    // Without an atomic no-replace rename a hard link fails on an existing name too.
    if (link(from, to) != 0) return 0;
    unlink(from);
    return 1;
}
}  // namespace

int platformRenameFile(const std::string& from, const std::string& to, int replace) {
    if (replace) return rename(from.c_str(), to.c_str()) == 0;
    return renameNoReplace(from.c_str(), to.c_str());
}

// flock: held by the open file, released by the kernel when the process ends, and never
// passed to ffmpeg (close-on-exec). Non-blocking, so that a pipe of that name cannot stall.
intptr_t platformHoldFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

void platformReleaseFile(intptr_t hold) {
    if (hold >= 0) close(static_cast<int>(hold));
}

int platformRemoveFile(const char* path) { return unlink(path) == 0; }

int platformRemoveDirectory(const std::string& path) { return rmdir(path.c_str()) == 0; }

int platformTruncateFile(std::FILE* file, long long size) {
    return ftruncate(fileno(file), static_cast<off_t>(size)) == 0;
}

const char* platformPathSeparators() { return "/"; }

std::string platformDriveRoot(const char*) { return ""; }

void platformPrepareStandardStreams() {
    // open() takes the lowest free number, so each closed stream gets its own back in turn.
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    // Before the first line (a media directory passed over, a refusal), not only once
    // interrupts are caught. Children get the default back (process_posix.cpp).
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, nullptr);
}
