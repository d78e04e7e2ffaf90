// Fuzzes the texture archive: opening any bytes as textures.zip, then reading every entry
// its directory lists, and a few names it may not list.
#include <cstdlib>
#include <string>

#include "assets/texture_archive.h"
#include "scratch_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ScratchDirectory scratch;
    writeFuzzFile("textures.zip", data, size);
    TextureArchive archive{};
    if (openTextureArchive(&archive, "textures.zip")) {
        for (uint32_t i = 0; i < archiveEntryCount(&archive); ++i) {
            const std::string name = archiveEntryAt(&archive, i)->name;
            unsigned char* bytes = nullptr;
            if (readArchiveEntry(&archive, name.c_str(), &bytes) > 0) std::free(bytes);
        }
        for (const char* name : {"3.jpg", "", "a"}) {
            unsigned char* bytes = nullptr;
            if (readArchiveEntry(&archive, name, &bytes) > 0) std::free(bytes);
        }
    }
    closeTextureArchive(&archive);
    unsigned char* bytes = nullptr;
    if (readArchiveEntry(&archive, "3.jpg", &bytes) > 0) std::abort();  // closed: nothing reads
    return 0;
}
