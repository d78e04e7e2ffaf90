// The file system calls the recorder makes beyond reading and writing a file, one way on every
// OS: paths are UTF-8; failures leave errno set, so std::strerror(errno) says why.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// FILE is a regular file; OTHER anything else that is neither it nor a directory (a device, a
// pipe, a socket); DANGLING a symbolic link that leads nowhere.
enum PlatformPathKind {
    PLATFORM_PATH_ERROR = -1,
    PLATFORM_PATH_MISSING = 0,
    PLATFORM_PATH_FILE = 1,
    PLATFORM_PATH_DIRECTORY = 2,
    PLATFORM_PATH_OTHER = 3,
    PLATFORM_PATH_DANGLING = 4
};

// What is at `path` (links followed); "missing" only when nothing is there.
PlatformPathKind platformPathKind(const std::string& path);
// -1 when there is no such file.
long long platformFileSize(const std::string& path);
// Whether this process may replace the file (read-only files refuse).
int platformCanWriteFile(const std::string& path);
int platformMakeDirectory(const std::string& path);  // 1 on success
// The names in a directory (without "." and ".."); 0 when it cannot be read.
int platformListDirectory(const std::string& directory, std::vector<std::string>* names);

// The path from the root, the working directory put in front of a relative one; "" on error.
std::string platformAbsolutePath(const std::string& path);
// When `path` is a symbolic link, the path of what it finally leads to; else `path` itself.
std::string platformFollowLink(const std::string& path);
// Creates an empty file that did not exist, readable and writable as the user's files are.
// 1 created, 0 when something already has that name, -1 on any other error.
int platformCreateNewFile(const std::string& path);
// Gives `from` the name `to`, on one file system; with `replace` 0 never over an existing
// `to`. 1 on success.
int platformRenameFile(const std::string& from, const std::string& to, int replace);
// An advisory hold on an existing regular file, which tells one run of the program from
// another: kept until released or until the process ends, however it ends. Holding it does
// not stop anyone from writing, renaming or removing the file. -1 when it cannot be had,
// errno EWOULDBLOCK when another holds it.
intptr_t platformHoldFile(const std::string& path);
void platformReleaseFile(intptr_t hold);
// Removes a file; usable in a signal handler (POSIX: only unlink). 1 on success.
int platformRemoveFile(const char* path);
// Removes an empty directory. 1 on success.
int platformRemoveDirectory(const std::string& path);
// Cuts an open file, written unbuffered, back to `size` bytes. 1 on success.
int platformTruncateFile(std::FILE* file, long long size);
// The directory separators this OS takes in a path, for splitting one.
const char* platformPathSeparators();
// The drive a path starts from, written "C:/" for "C:\..." or "C:/..." on Windows; "" for a
// path that names no drive, and always on a system without drives.
std::string platformDriveRoot(const char* path);
