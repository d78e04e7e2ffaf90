// Picture generation. (Placeholder: writes empty files until the pictures land.)
#include <fstream>

#include "media.h"

int generatePictures(const std::string& outDir) {
    for (const char* name : {"textures.zip", "font.bmp", "fontmask.bmp", "rymd.bmp", "particle.bmp"})
        std::ofstream(outDir + "/" + name, std::ios::binary);
    return 1;
}
