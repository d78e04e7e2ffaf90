// Where the running program lives on disk, as the system reports it (on Linux through
// /proc/self/exe), so media installed beside it can be found from any working directory.
#include "platform/platform.h"

#include <SDL.h>

#include <cstring>

int platformExecutableDirectory(char* out, int capacity) {
    if (!out || capacity <= 0) return 0;
    out[0] = '\0';
    // Needs no initialised subsystem; the answer is fixed for the life of the process.
    char* base = SDL_GetBasePath();
    if (!base) return 0;
    const size_t length = std::strlen(base);
    const int fits = length < static_cast<size_t>(capacity);
    if (fits) std::memcpy(out, base, length + 1);
    SDL_free(base);
    return fits;
}
