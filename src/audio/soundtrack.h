// The soundtrack: data/muhsik.mp3 read whole into memory and streamed to the sound layer
// from start-up to shut-down; the demo runs silent when no channel can be had.
#pragma once

struct SoundStream;

struct Soundtrack {
    unsigned char* musicImage;
    int musicImageLength;
    SoundStream* musicStream;
    int musicChannel;
};

extern Soundtrack soundtrack;

int startMusic();   // 1 when a channel plays
void stopMusic();
int ignoreStreamEvent(SoundStream* stream, void* data, int length, void* user);
