// The soundtrack: data/muhsik.mp3 read whole into memory and streamed to the sound layer
// from start-up to shut-down; the demo runs silent when no channel can be had.
#pragma once

struct SoundStream;

struct Soundtrack {
    unsigned char* musicImage;  // every byte of the file; lives as long as musicStream
    int musicImageLength;
    SoundStream* musicStream;  // null when no stream is open
    int musicChannel;          // -1 when playback did not start
};

extern Soundtrack soundtrack;

// Opens the sound layer and plays the file once from its start; 1 when a channel plays.
// Without a device, file or decodable MP3 it returns 0 and the demo goes on silent.
int startMusic();
// Closes the stream and the sound layer and frees the file's bytes; harmless at any time.
void stopMusic();
// The stream's end and sync callback: touches nothing and returns 1.
int ignoreStreamEvent(SoundStream* stream, void* data, int length, void* user);
