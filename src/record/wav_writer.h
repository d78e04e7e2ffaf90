// A frame directory's soundtrack: a streaming 16-bit WAV file in the demo's sound format, its
// header's sizes kept true after every write.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct WavWriter {
    std::FILE* file = nullptr;
    uint32_t dataBytes = 0;
};
int openWav(WavWriter* wav, const std::string& path);
int writeWav(WavWriter* wav, const int16_t* samples, int frames);
int closeWav(WavWriter* wav);  // 1 when every byte and the header reached the disk
// Cuts the data back to its first `dataBytes` bytes, the header with it.
int cutWav(WavWriter* wav, uint32_t dataBytes);
