// The texture archive: a zip file opened once, its central directory copied into memory,
// entries looked up by name without regard to case and inflated whole into heap blocks.
#pragma once

#include <minizip/unzip.h>

#include <cstdint>

struct ArchiveEntry {
    char name[256];
    uint32_t externalAttributes;
    uint32_t localHeaderOffset;
    uint32_t uncompressedSize;
    uint32_t directoryOffset;
};

struct TextureArchive {
    char path[256];
    unzFile handle;
    uint32_t entryCount;
    uint32_t commentSize;
    ArchiveEntry* entries;
};

// Opens "DATA\<name>" (found through the data-path resolver) and copies its directory.
// 1 when open; 0 leaves no handle and no table. Only a regular file of at most 64 MiB opens;
// a file that is there but cannot be opened gets one line on standard error that says why.
int openTextureArchive(TextureArchive* archive, const char* name);
// The first entry whose whole name equals `name` ignoring ASCII case, inflated into a fresh
// malloc block that the caller frees. Its size when read whole; 0 otherwise (buffer
// untouched when nothing matches, null when the entry is empty, larger than 64 MiB or the read
// fails). A closed archive, an empty name and an entry whose name did not fit match nothing.
int readArchiveEntry(TextureArchive* archive, const char* name, unsigned char** buffer);
// Releases the table and the handle; entryCount keeps its value. Harmless when closed.
void closeTextureArchive(TextureArchive* archive);
// The row readArchiveEntry would read for `name`; null when none matches.
const ArchiveEntry* archiveFindEntry(const TextureArchive* archive, const char* name);
uint32_t archiveEntryCount(const TextureArchive* archive);
// Row `index` of the open archive's table; null when closed or out of range.
const ArchiveEntry* archiveEntryAt(const TextureArchive* archive, uint32_t index);
