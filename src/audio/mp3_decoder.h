// MP3 decoding through libmpg123 straight from a buffer in memory (read in place, never copied),
// to interleaved 16-bit stereo at one fixed rate whatever the file's own rate and channels.
#pragma once

#include <cstddef>
#include <cstdint>

struct Mp3Decoder;

// libmpg123's portable synthesis, which every decoder asks for: it rounds alike on every
// processor, where the SIMD ones differ from it and from each other by a step now and then,
// so a recording's sound is the same bytes on any machine and in the browser build.
extern const char* const mp3Synthesis;

// A decoder over `length` bytes at `data`, which must outlive it. Null when the bytes hold no
// MP3 frame that libmpg123 can sync on, or when it cannot produce 16-bit stereo at `rate`.
Mp3Decoder* mp3Open(const unsigned char* data, size_t length, int rate);
// Decodes up to `frames` stereo sample frames into `out`; fewer only at the end of the data
// (a damaged frame ends it too). Returns the number of frames written.
int mp3Read(Mp3Decoder* decoder, int16_t* out, int frames);
void mp3Close(Mp3Decoder* decoder);

// The file's own format, as found in its first frame.
int mp3SourceRate(const Mp3Decoder* decoder);
int mp3SourceChannels(const Mp3Decoder* decoder);
