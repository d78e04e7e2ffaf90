// The audio output device over SDL audio, and the capture mode the recorder pulls from.
// (Device output arrives with the soundtrack work; until then no device opens.)
#include "platform/platform.h"

int platformOpenAudio(int, int, PlatformAudioFill, void*) { return 0; }
void platformPauseAudio(int) {}
void platformLockAudio() {}
void platformUnlockAudio() {}
void platformCloseAudio() {}
void platformUseAudioCapture(int) {}
void platformPullAudio(int16_t*, int) {}
