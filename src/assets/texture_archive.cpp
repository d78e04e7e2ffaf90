// The texture archive over minizip: the central directory is copied into a table once at
// open, so every lookup is a scan of memory and one positioned seek.
#include "assets/texture_archive.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "assets/ascii_case.h"
#include "assets/data_path.h"
#include "assets/media_file.h"
#include "assets/picture_limits.h"

namespace {
const char archiveDirectory[] = "DATA\\";
const size_t maxArchiveNameLength = sizeof(TextureArchive::path) - sizeof(archiveDirectory);  // 250

// The archive is read into memory once at open and minizip works on that copy: every entry
// read is then a copy out of memory instead of a seek and reads per 16 KiB on the file.
struct ArchiveBytes {
    std::vector<unsigned char> data;
    size_t position;
};

// minizip's open hands back the bytes read before it was called: the name is not opened again.
voidpf ZCALLBACK openBytes(voidpf opaque, const char*, int) { return *static_cast<ArchiveBytes**>(opaque); }

uLong ZCALLBACK readBytes(voidpf, voidpf stream, void* buffer, uLong size) {
    ArchiveBytes* bytes = static_cast<ArchiveBytes*>(stream);
    const size_t left = bytes->position < bytes->data.size() ? bytes->data.size() - bytes->position : 0;
    const size_t n = size < left ? size : left;
    std::memcpy(buffer, bytes->data.data() + bytes->position, n);
    bytes->position += n;
    return static_cast<uLong>(n);
}

uLong ZCALLBACK writeBytes(voidpf, voidpf, const void*, uLong) { return 0; }

long ZCALLBACK tellBytes(voidpf, voidpf stream) {
    return static_cast<long>(static_cast<ArchiveBytes*>(stream)->position);
}

long ZCALLBACK seekBytes(voidpf, voidpf stream, uLong offset, int origin) {
    ArchiveBytes* bytes = static_cast<ArchiveBytes*>(stream);
    size_t base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = bytes->position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END) base = bytes->data.size();
    else if (origin != ZLIB_FILEFUNC_SEEK_SET) return -1;
    if (offset > bytes->data.size() || base + offset > bytes->data.size()) return -1;
    bytes->position = base + offset;
    return 0;
}

int ZCALLBACK closeBytes(voidpf opaque, voidpf stream) {
    ArchiveBytes* bytes = static_cast<ArchiveBytes*>(stream);
    if (*static_cast<ArchiveBytes**>(opaque) == bytes) *static_cast<ArchiveBytes**>(opaque) = nullptr;
    delete bytes;
    return 0;
}

int ZCALLBACK errorBytes(voidpf, voidpf) { return 0; }

// The bytes of the archive being opened, for minizip to take and for reading what it does
// not report; minizip's close frees them.
ArchiveBytes* openedBytes = nullptr;

const char emptyArchiveConsequence[] = "the archive's pictures stay empty";

zlib_filefunc_def memoryFunctions() {
    return {openBytes, readBytes, writeBytes, tellBytes, seekBytes, closeBytes, errorBytes, &openedBytes};
}

// minizip keeps the local-header offset to itself; it sits at byte 42 of the entry's
// central-directory record, whose file position minizip does report. 0 when unreadable.
uint32_t readLocalHeaderOffset(const ArchiveBytes* bytes, uLong recordPosition) {
    if (!bytes || recordPosition > bytes->data.size() || bytes->data.size() - recordPosition < 46) return 0;
    const unsigned char* record = bytes->data.data() + recordPosition;
    if (record[0] != 0x50 || record[1] != 0x4b || record[2] != 0x01 || record[3] != 0x02) return 0;
    return record[42] | record[43] << 8 | record[44] << 16 | static_cast<uint32_t>(record[45]) << 24;
}

// Fills one row from the entry minizip has current. A record that cannot be read, and a
// name too long for the field, leave the name empty, and an empty name is never looked up.
void readDirectoryRow(unzFile handle, const ArchiveBytes* bytes, ArchiveEntry* row) {
    unz_file_info info;
    std::memset(&info, 0, sizeof info);
    if (unzGetCurrentFileInfo(handle, &info, row->name, sizeof row->name, nullptr, 0, nullptr, 0) != UNZ_OK ||
        info.size_filename >= sizeof row->name) {
        std::memset(row->name, 0, sizeof row->name);
    }
    row->name[sizeof row->name - 1] = '\0';
    unz_file_pos position{0, 0};
    unzGetFilePos(handle, &position);
    row->externalAttributes = static_cast<uint32_t>(info.external_fa);
    row->localHeaderOffset = readLocalHeaderOffset(bytes, position.pos_in_zip_directory);
    row->uncompressedSize = static_cast<uint32_t>(info.uncompressed_size);
    row->directoryOffset = static_cast<uint32_t>(position.pos_in_zip_directory);
}

int findEntry(const TextureArchive* archive, const char* name) {
    if (!archive || !archive->entries || !archive->handle || !name || !*name) return -1;
    for (uint32_t i = 0; i < archive->entryCount; ++i)
        if (sameIgnoringAsciiCase(archive->entries[i].name, name)) return static_cast<int>(i);
    return -1;
}

// Inflates the current entry straight into `buffer`; the byte count delivered.
size_t readCurrentEntry(unzFile handle, unsigned char* buffer, size_t size) {
    size_t total = 0;
    while (total < size) {
        const size_t chunk = size - total < static_cast<size_t>(INT_MAX) ? size - total : static_cast<size_t>(INT_MAX);
        const int n = unzReadCurrentFile(handle, buffer + total, static_cast<unsigned>(chunk));
        if (n <= 0) break;
        total += static_cast<size_t>(n);
    }
    return total;
}
}  // namespace

int openTextureArchive(TextureArchive* archive, const char* name) {
    if (!archive || !name || std::strlen(name) > maxArchiveNameLength) return 0;
    closeTextureArchive(archive);
    std::snprintf(archive->path, sizeof archive->path, "%s%s", archiveDirectory, name);
    const std::string resolved = resolveDataPath(archive->path);
    MediaFile file;
    if (readMediaFile(resolved, mediaFileByteCap, &file) != MEDIA_READ) {
        if (!file.problem.empty()) warnMedia(resolved, file.problem, emptyArchiveConsequence);
        return 0;
    }
    openedBytes = new ArchiveBytes{std::move(file.bytes), 0};
    zlib_filefunc_def functions = memoryFunctions();
    archive->handle = unzOpen2(resolved.c_str(), &functions);
    const ArchiveBytes* bytes = openedBytes;
    if (!archive->handle) {
        // Giving up, minizip has closed the stream, which freed the bytes; should it not have,
        // they are freed here.
        delete openedBytes;
        openedBytes = nullptr;
        warnMedia(resolved, "is not a zip archive, or is cut short", emptyArchiveConsequence);
        return 0;
    }

    unz_global_info global;
    std::memset(&global, 0, sizeof global);
    unzGetGlobalInfo(archive->handle, &global);
    archive->entryCount = static_cast<uint32_t>(global.number_entry);
    archive->commentSize = static_cast<uint32_t>(global.size_comment);

    // Every directory record takes at least 46 bytes, so a count the file cannot hold is a
    // damaged archive, not a reason to ask for a huge table.
    const bool countFits = bytes && archive->entryCount <= bytes->data.size() / 46;
    // Zeroed rows: an entry whose record cannot be read keeps an empty name.
    archive->entries = countFits ? static_cast<ArchiveEntry*>(
                                       std::calloc(archive->entryCount ? archive->entryCount : 1, sizeof(ArchiveEntry)))
                                 : nullptr;
    if (!archive->entries) {
        unzClose(archive->handle);
        archive->handle = nullptr;
        warnMedia(resolved, "has a damaged directory (it claims " + std::to_string(archive->entryCount) + " entries)",
                  emptyArchiveConsequence);
        return 0;
    }
    for (uint32_t i = 0; i < archive->entryCount; ++i) {
        readDirectoryRow(archive->handle, bytes, &archive->entries[i]);
        unzGoToNextFile(archive->handle);
    }
    return 1;
}

int readArchiveEntry(TextureArchive* archive, const char* name, unsigned char** buffer) {
    if (!archive || !buffer) return 0;
    const int index = findEntry(archive, name);
    if (index < 0) return 0;
    const ArchiveEntry& entry = archive->entries[index];
    *buffer = nullptr;
    // An empty entry is as good as a missing one, and one larger than any picture file can
    // sensibly be is unreadable; no block is handed out for either.
    if (entry.uncompressedSize == 0 || entry.uncompressedSize > pictureFileByteCap) return 0;
    unsigned char* bytes = static_cast<unsigned char*>(std::malloc(entry.uncompressedSize));
    if (!bytes) return 0;

    unz_file_pos position{entry.directoryOffset, static_cast<uLong>(index)};
    unzGoToFilePos(archive->handle, &position);
    unzOpenCurrentFile(archive->handle);
    const size_t n = readCurrentEntry(archive->handle, bytes, entry.uncompressedSize);
    // A CRC mismatch shows only here, and a picture that inflated whole is still used.
    unzCloseCurrentFile(archive->handle);

    if (n != entry.uncompressedSize) {
        std::free(bytes);
        return 0;
    }
    *buffer = bytes;
    return static_cast<int>(entry.uncompressedSize);
}

void closeTextureArchive(TextureArchive* archive) {
    if (!archive) return;
    if (archive->entries) {
        std::free(archive->entries);
        archive->entries = nullptr;
    }
    if (archive->handle) {
        unzClose(archive->handle);
        archive->handle = nullptr;
    }
}

const ArchiveEntry* archiveFindEntry(const TextureArchive* archive, const char* name) {
    const int index = findEntry(archive, name);
    return index < 0 ? nullptr : &archive->entries[index];
}

uint32_t archiveEntryCount(const TextureArchive* archive) { return archive->entryCount; }

const ArchiveEntry* archiveEntryAt(const TextureArchive* archive, uint32_t index) {
    if (!archive->entries || index >= archive->entryCount) return nullptr;
    return &archive->entries[index];
}
