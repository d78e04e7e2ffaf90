// Reading one media file whole, within bounds, and the one line on standard error that names
// a damaged media file and says what is wrong with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Beyond this no media file is read: the archive, a BMP picture or the soundtrack.
constexpr uint64_t mediaFileByteCap = uint64_t(64) << 20;

enum MediaReadResult {
    MEDIA_READ = 0,         // every byte is in `bytes`
    MEDIA_MISSING = 1,      // nothing of that name (the start-up line has said so)
    MEDIA_NOT_REGULAR = 2,  // a pipe, a device, a directory: it would never end, or is no file
    MEDIA_TOO_LARGE = 3,    // more than the cap, or it grew past it while being read
    MEDIA_UNREADABLE = 4,   // could not be opened or read (permissions, a link loop, I/O)
    MEDIA_EMPTY = 5,
};

struct MediaFile {
    std::vector<unsigned char> bytes;
    std::string problem;  // what is wrong, for the line; empty when read or missing
};

// Reads the file at `path` (already resolved; empty when nothing matched) when it is a
// regular file of at most `cap` bytes. Only such a file is ever opened: opening a pipe
// waits for a writer, and a device has no end.
MediaReadResult readMediaFile(const std::string& path, uint64_t cap, MediaFile* file);

// "quorvex: WHAT PROBLEM; CONSEQUENCE" on standard error, in one write.
void warnMedia(const std::string& what, const std::string& problem, const std::string& consequence);
