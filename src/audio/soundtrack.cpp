// The soundtrack. (Stub until playback lands: silent.)
#include "audio/soundtrack.h"

Soundtrack soundtrack = {nullptr, 0, nullptr, -1};
int startMusic() { return 0; }
void stopMusic() {}
int ignoreStreamEvent(SoundStream*, void*, int, void*) { return 1; }
