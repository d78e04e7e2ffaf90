// The recorder's first look at its output: the form its name asks for, and whether it can be
// made without touching anything the user has. Nothing here creates what it checks for.
#include "record/output_check.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "assets/ascii_case.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "record/png_writers.h"

namespace {
bool endsWithNoCase(const std::string& text, const char* suffix) {
    const size_t n = std::strlen(suffix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (foldAsciiCase(text[text.size() - n + i]) != suffix[i]) return false;
    return true;
}

bool isSeparator(char c) { return std::strchr(platformPathSeparators(), c) != nullptr; }

std::string parentOf(const std::string& path) {
    const size_t slash = path.find_last_of(platformPathSeparators());
    if (slash == std::string::npos) return ".";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// Why a file cannot be made, with errno as the caller found it. A name without a directory
// goes into the working directory, which the user may not know (a menu entry or a service
// starts in / or in the home directory): the line names it.
std::string cannotWrite(const std::string& path, const std::string& quoted) {
    const std::string why = std::strerror(errno);
    const std::string absolute = platformAbsolutePath(path);
    if (path.find_last_of(platformPathSeparators()) != std::string::npos || absolute.empty())
        return "cannot write " + quoted + ": " + why;
    return "cannot write " + quoted + " in the working directory '" + parentOf(absolute) + "': " + why;
}

// The longest file name the usual file systems take.
constexpr size_t maxNameBytes = 255;

// Some process holds the file (this one's own holds count too).
bool isHeld(const std::string& path) {
    const intptr_t hold = platformHoldFile(path);
    if (hold != -1) platformReleaseFile(hold);
    return hold == -1 && errno == EWOULDBLOCK;
}

// Another recording is writing there: a frame directory's soundtrack, or a video's hidden
// part file, is held while it is made. What an ended process left is not.
bool beingRecorded(const std::string& path, RecordFormat format) {
    if (format == RECORD_PNG_DIRECTORY) return isHeld(path + "/" + recordSoundtrackName);
    const std::string absolute = platformAbsolutePath(path);
    if (absolute.empty()) return false;
    const std::string prefix = partFilePrefix(platformFollowLink(absolute));
    const size_t slash = prefix.find_last_of(platformPathSeparators());
    const std::string dir = prefix.substr(0, slash + 1), start = prefix.substr(slash + 1);
    std::vector<std::string> names;
    platformListDirectory(dir, &names);
    for (const std::string& name : names)
        if (name.size() == start.size() + partSuffixLength && name.compare(0, start.size(), start) == 0 &&
            isHeld(dir + name))
            return true;
    return false;
}

bool holdsRecording(const std::string& dir) {
    std::vector<std::string> names;
    if (!platformListDirectory(dir, &names)) return false;
    bool unfinished = false;
    for (const std::string& name : names)
        if ((isPngFrameName(name.c_str(), &unfinished) && !unfinished) || name == recordSoundtrackName) return true;
    return false;
}

// Permission bits do not say whether a file can be made (root passes access() in /proc, and
// Windows decides by access lists): only making one does. The probe is removed at once.
int canCreateIn(const std::string& dir) {
    const long long tick = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string probe = dir + "/.quorvex-probe-" + std::to_string(tick) + "-" + std::to_string(attempt);
        const int made = platformCreateNewFile(probe);
        if (made < 0) return 0;
        if (made > 0) return platformRemoveFile(probe.c_str());
    }
    return 0;
}

// Video forms we do not write: a name like these would otherwise become a frame directory.
const char* const unwrittenVideoExtensions[] = {".avi", ".webm", ".mov", ".qt",   ".m4v",  ".wmv",  ".asf", ".flv",
                                                ".f4v", ".ogv",  ".mpg", ".mpeg", ".ts",   ".m2ts", ".mts", ".3gp",
                                                ".vob", ".mxf",  ".gif", ".h264", ".hevc", ".y4m"};
}  // namespace

std::string recordOutputPath(const std::string& outPath) {
    std::string path = outPath;
    while (path.size() > 1 && isSeparator(path.back())) path.pop_back();
    return path;
}

std::string partFilePrefix(const std::string& target) {
    const size_t slash = target.find_last_of(platformPathSeparators());
    const std::string base = target.substr(slash + 1);
    // ".NAME.part-XXXXXX.progress", ffmpeg's account beside it, must be a name the file
    // system takes.
    const bool fits = base.size() + 16 + partSuffixLength <= maxNameBytes;
    return target.substr(0, slash + 1) + "." + (fits ? base : "quorvex") + ".part-";
}

std::string findProgram(const std::string& name) { return platformFindProgram(name); }

RecordFormat recordFormatFor(const std::string& outPath) {
    if (endsWithNoCase(outPath, ".mkv")) return RECORD_MKV;
    if (endsWithNoCase(outPath, ".mp4")) return RECORD_MP4;
    return RECORD_PNG_DIRECTORY;
}

std::string checkRecordTarget(const std::string& outPath, RecordFormat format, int overwrite) {
    const std::string path = recordOutputPath(outPath);
    const std::string quoted = "'" + outPath + "'";
    // "demo.mkv/" asks for a directory, but a frame directory named like a video is a slip.
    if (format == RECORD_PNG_DIRECTORY && recordFormatFor(path) != RECORD_PNG_DIRECTORY)
        return quoted + " names a directory like a video (.mkv or .mp4): leave out the trailing separator to " +
               "record the video, or name the frame directory otherwise";
    if (format == RECORD_PNG_DIRECTORY)
        for (const char* extension : unwrittenVideoExtensions)
            if (endsWithNoCase(path, extension))
                return quoted + " asks for a " + extension + " video, which the recorder does not write: name it " +
                       ".mkv (lossless H.264 + FLAC) or .mp4 (H.264 + AAC), or give a directory name for PNG frames";
    const PlatformPathKind kind = platformPathKind(path);
    if ((kind == PLATFORM_PATH_MISSING || kind == PLATFORM_PATH_FILE || kind == PLATFORM_PATH_DIRECTORY) &&
        beingRecorded(path, format))
        return quoted + " is being recorded by another run of quorvex; wait for it to end, or name another output";
    // Only what the recorder would have made itself is ever replaced.
    if (kind == PLATFORM_PATH_DANGLING)
        return quoted + " is a link to something that does not exist; name a file or directory itself";
    if (kind == PLATFORM_PATH_OTHER)
        return quoted + " is neither a file nor a directory (a device, a pipe or a socket); nothing recorded";
    if (kind == PLATFORM_PATH_DIRECTORY || kind == PLATFORM_PATH_FILE) {
        if (format == RECORD_PNG_DIRECTORY) {
            if (kind != PLATFORM_PATH_DIRECTORY) return quoted + " exists and is not a directory";
            if (!canCreateIn(path)) return "cannot write into " + quoted + ": " + std::strerror(errno);
            if (!overwrite && holdsRecording(path))
                return quoted + " already holds frames or " + recordSoundtrackName +
                       "; add --overwrite to replace them";
            const PlatformPathKind sound = platformPathKind(path + "/" + recordSoundtrackName);
            if (sound != PLATFORM_PATH_MISSING && sound != PLATFORM_PATH_FILE)
                return "'" + path + "/" + recordSoundtrackName + "' is not a file; nothing recorded";
            return "";
        }
        if (kind == PLATFORM_PATH_DIRECTORY) return quoted + " is a directory";
        if (!overwrite) return quoted + " already exists; add --overwrite to replace it";
        // The finished file is renamed over the old one: the directory must take a new file.
        if (!platformCanWriteFile(path) || !canCreateIn(parentOf(path))) return cannotWrite(path, quoted);
        return "";
    }
    if (kind == PLATFORM_PATH_ERROR) return "cannot write " + quoted + ": " + std::strerror(errno);
    const std::string parent = parentOf(path);
    if (platformPathKind(parent) != PLATFORM_PATH_DIRECTORY)
        return "cannot write " + quoted + ": no directory '" + parent + "'";
    if (!canCreateIn(parent)) return cannotWrite(path, quoted);
    return "";
}
