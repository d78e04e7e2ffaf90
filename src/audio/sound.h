// The sound layer: one mixing device with numbered software channels, and MP3 streams from
// memory played on them. Calls come from the main thread; callbacks from the mixing thread.
#pragma once

#include <cstdint>

struct SoundStream;
struct SoundDsp;  // effect units are not supported; the play call takes none

// Outputs: no sound at all, or the system's default output device.
enum { SOUND_OUTPUT_NONE = 0, SOUND_OUTPUT_SYSTEM = 2 };

// Stream modes. The file is always decoded at its own sample format and played as 16-bit
// stereo, so the 8-bit and mono requests are accepted and change nothing.
enum {
    SOUND_LOOP_OFF = 0x1,
    SOUND_8BITS = 0x8,
    SOUND_MONO = 0x20,
    SOUND_LOADMEMORY = 0x8000,  // the name argument is the file's bytes, the length their count
};

enum { SOUND_FREE = -1 };       // play on any free channel
enum { SOUND_STEREOPAN = -1 };  // stereo data played unpanned; otherwise 0 (left) .. 255 (right)

// Called with the stream, a data pointer, a length and the registered user value; the end
// callback gets no data. Runs on the mixing thread (or the recorder's pulling thread).
typedef int (*SoundStreamCallback)(SoundStream* stream, void* data, int length, void* user);

// Before soundInit: the output kind (any value but SOUND_OUTPUT_NONE means the system device)
// and the driver number of that output. Every driver maps to the default device. 1 if accepted.
int soundSetOutput(int output);
int soundSetDriver(int driver);
// Opens the device at `rate` with `channels` software channels (flags: none defined). Re-opens
// when already open. 1 on success; 0 when no device can be had or the values are out of range.
int soundInit(int rate, int channels, unsigned flags);
// Stops every channel and closes the device. Streams stay valid until soundStreamClose.
void soundClose();

// A stream over `length` bytes of MP3 at `data`, which must stay valid until the stream is
// closed. Works with or without an open device. Null when the bytes hold no MP3 or the mode
// lacks SOUND_LOADMEMORY.
SoundStream* soundStreamOpen(const void* data, int mode, int length);
int soundStreamSetEndCallback(SoundStream* stream, SoundStreamCallback callback, void* user);
// MP3 data carries no sync points, so this callback is kept but never called for it.
int soundStreamSetSyncCallback(SoundStream* stream, SoundStreamCallback callback, void* user);
// Starts the stream from where it stands on `channel` (or SOUND_FREE), paused or not; returns
// the channel number, or -1 without a device, stream or free channel, or when it already plays.
int soundStreamPlay(int channel, SoundStream* stream, SoundDsp* dsp, int paused);
// Stops the stream's channel and frees the stream; 1 when there was one to close.
int soundStreamClose(SoundStream* stream);

int soundSetPan(int channel, int pan);        // 1 when the channel plays and the pan is valid
int soundSetPaused(int channel, int paused);  // 1 when the channel plays
int soundIsPlaying(int channel);              // 1 while a stream sounds on the channel
