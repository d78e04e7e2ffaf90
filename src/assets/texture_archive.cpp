// The texture archive over minizip: the central directory is copied into a table once at
// open, so every lookup is a scan of memory and one positioned seek.
#include "assets/texture_archive.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assets/data_path.h"

TextureArchive textureArchive;

namespace {
const char archiveDirectory[] = "DATA\\";
const size_t maxArchiveNameLength = sizeof(TextureArchive::path) - sizeof(archiveDirectory);  // 250

int foldCase(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

bool namesMatch(const char* stored, const char* wanted) {
    for (;; ++stored, ++wanted) {
        if (foldCase(static_cast<unsigned char>(*stored)) != foldCase(static_cast<unsigned char>(*wanted)))
            return false;
        if (*stored == '\0') return true;
    }
}

uint64_t fileSize(std::FILE* file) {
    if (!file || std::fseek(file, 0, SEEK_END) != 0) return 0;
    const long size = std::ftell(file);
    return size > 0 ? static_cast<uint64_t>(size) : 0;
}

// minizip keeps the local-header offset to itself; it sits at byte 42 of the entry's
// central-directory record, whose file position minizip does report. 0 when unreadable.
uint32_t readLocalHeaderOffset(std::FILE* file, uLong recordPosition) {
    unsigned char record[46];
    if (!file || recordPosition > static_cast<uLong>(LONG_MAX) ||
        std::fseek(file, static_cast<long>(recordPosition), SEEK_SET) != 0 ||
        std::fread(record, 1, sizeof record, file) != sizeof record)
        return 0;
    if (record[0] != 0x50 || record[1] != 0x4b || record[2] != 0x01 || record[3] != 0x02) return 0;
    return record[42] | record[43] << 8 | record[44] << 16 | static_cast<uint32_t>(record[45]) << 24;
}

// Fills one row from the entry minizip has current. A record that cannot be read, and a
// name too long for the field, leave the name empty, and an empty name is never looked up.
void readDirectoryRow(unzFile handle, std::FILE* file, ArchiveEntry* row) {
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
    row->localHeaderOffset = readLocalHeaderOffset(file, position.pos_in_zip_directory);
    row->uncompressedSize = static_cast<uint32_t>(info.uncompressed_size);
    row->directoryOffset = static_cast<uint32_t>(position.pos_in_zip_directory);
}

int findEntry(const TextureArchive* archive, const char* name) {
    if (!archive->entries || !archive->handle || !name || !*name) return -1;
    for (uint32_t i = 0; i < archive->entryCount; ++i)
        if (namesMatch(archive->entries[i].name, name)) return static_cast<int>(i);
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
    if (resolved.empty()) return 0;
    archive->handle = unzOpen(resolved.c_str());
    if (!archive->handle) return 0;

    unz_global_info global;
    std::memset(&global, 0, sizeof global);
    unzGetGlobalInfo(archive->handle, &global);
    archive->entryCount = static_cast<uint32_t>(global.number_entry);
    archive->commentSize = static_cast<uint32_t>(global.size_comment);

    std::FILE* file = std::fopen(resolved.c_str(), "rb");
    // Every directory record takes at least 46 bytes, so a count the file cannot hold is a
    // damaged archive, not a reason to ask for a huge table.
    const bool countFits = archive->entryCount <= fileSize(file) / 46;
    // Zeroed rows: an entry whose record cannot be read keeps an empty name.
    archive->entries = countFits ? static_cast<ArchiveEntry*>(std::calloc(
                                       archive->entryCount ? archive->entryCount : 1, sizeof(ArchiveEntry)))
                                 : nullptr;
    if (!archive->entries) {
        if (file) std::fclose(file);
        unzClose(archive->handle);
        archive->handle = nullptr;
        return 0;
    }
    for (uint32_t i = 0; i < archive->entryCount; ++i) {
        readDirectoryRow(archive->handle, file, &archive->entries[i]);
        unzGoToNextFile(archive->handle);
    }
    if (file) std::fclose(file);
    return 1;
}

int readArchiveEntry(TextureArchive* archive, const char* name, unsigned char** buffer) {
    if (!archive || !buffer) return 0;
    const int index = findEntry(archive, name);
    if (index < 0) return 0;
    const ArchiveEntry& entry = archive->entries[index];
    *buffer = nullptr;
    // An empty entry is as good as a missing one; no block is handed out for it.
    if (entry.uncompressedSize == 0 || entry.uncompressedSize > static_cast<uint32_t>(INT_MAX)) return 0;
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

uint32_t archiveEntryCount(const TextureArchive* archive) { return archive->entryCount; }

const ArchiveEntry* archiveEntryAt(const TextureArchive* archive, uint32_t index) {
    if (!archive->entries || index >= archive->entryCount) return nullptr;
    return &archive->entries[index];
}
