// Test MP3s encoded on the spot with LAME from a synthesized signal, and the reference decode
// of any MP3 bytes by libmpg123 on its own (feed reader, default settings).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Two different tones per side with a slow swell and a little deterministic noise, so that a
// swapped, shifted or resampled output cannot pass for the original.
std::vector<unsigned char> encodeTestMp3(double seconds, int rate = 44100, int channels = 2);

struct ReferenceDecode {
    long rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;  // interleaved, as libmpg123 gives them
};
ReferenceDecode referenceDecode(const std::vector<unsigned char>& mp3);

// Writes `bytes` to dir/data/muhsik.mp3, creating data/.
void writeMusicFile(const std::string& dir, const std::vector<unsigned char>& bytes);

// Index of the first sample that is not zero, or the size when all are.
size_t firstNonZero(const std::vector<int16_t>& samples, size_t from = 0);
