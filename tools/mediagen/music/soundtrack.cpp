// Soundtrack generation. (Placeholder: writes an empty file until the music lands.)
#include <fstream>

#include "media.h"

int generateSoundtrack(const std::string& outDir) {
    std::ofstream(outDir + "/muhsik.mp3", std::ios::binary);
    return 1;
}
