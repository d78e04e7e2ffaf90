// Bounded reading of a media file and the damaged-file line: the archive, the BMP pictures
// and the soundtrack all come through here, so each kind of bad file is refused one way.
#include "assets/media_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {
std::string sizeText(uint64_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

MediaReadResult refuse(MediaFile* file, MediaReadResult result, const std::string& problem) {
    file->bytes.clear();
    file->problem = problem;
    return result;
}
}  // namespace

MediaReadResult readMediaFile(const std::string& path, uint64_t cap, MediaFile* file) {
    file->bytes.clear();
    file->problem.clear();
    if (path.empty()) return MEDIA_MISSING;
    std::error_code error;
    const fs::file_status status = fs::status(fs::u8path(path), error);
    // A name that resolved but leads nowhere is a dangling link: damaged, not missing.
    if (status.type() == fs::file_type::not_found) return refuse(file, MEDIA_UNREADABLE, "is a link to nothing");
    if (error) return refuse(file, MEDIA_UNREADABLE, "cannot be read: " + error.message());
    if (!fs::is_regular_file(status)) return refuse(file, MEDIA_NOT_REGULAR, "is not a regular file");
    const uintmax_t size = fs::file_size(fs::u8path(path), error);
    if (!error && size > cap) return refuse(file, MEDIA_TOO_LARGE, "is larger than " + sizeText(cap));

    std::FILE* stream = std::fopen(path.c_str(), "rb");
    if (!stream) return refuse(file, MEDIA_UNREADABLE, std::string("cannot be read: ") + std::strerror(errno));
    if (!error) file->bytes.reserve(static_cast<size_t>(size));
    unsigned char chunk[65536];
    size_t n;
    MediaReadResult result = MEDIA_READ;
    while ((n = std::fread(chunk, 1, sizeof chunk, stream)) > 0) {
        if (file->bytes.size() + n > cap) {  // grew while being read
            result = MEDIA_TOO_LARGE;
            break;
        }
        file->bytes.insert(file->bytes.end(), chunk, chunk + n);
    }
    const bool failed = std::ferror(stream) != 0;
    const int readErrno = errno;
    std::fclose(stream);
    if (result == MEDIA_TOO_LARGE) return refuse(file, result, "is larger than " + sizeText(cap));
    if (failed) return refuse(file, MEDIA_UNREADABLE, std::string("cannot be read: ") + std::strerror(readErrno));
    if (file->bytes.empty()) return refuse(file, MEDIA_EMPTY, "is empty");
    return MEDIA_READ;
}

void warnMedia(const std::string& what, const std::string& problem, const std::string& consequence) {
    const std::string line = "quorvex: " + what + " " + problem + "; " + consequence + "\n";
    platformPrint(stderr, "%s", line.c_str());
}
