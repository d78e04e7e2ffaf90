// The recorder's WAV writer: 16-bit stereo 44.1 kHz PCM streamed to disk as it comes, with
// the RIFF and data sizes kept true after every write, so memory never grows with length and
// a file cut off anywhere (a full disk, a process ended at once) says what it holds.
#include "record/wav_writer.h"

#include <cerrno>
#include <cstring>

#include "assets/demo_timeline.h"
#include "platform/file_system.h"

namespace {
constexpr long headerBytes = 44;
// The data chunk must stay addressable by the 32-bit RIFF size field.
constexpr uint32_t maxDataBytes = 0xFFFFFFFFu - 36u;

void put16(unsigned char* at, uint32_t value) {
    at[0] = static_cast<unsigned char>(value & 0xFF);
    at[1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

void put32(unsigned char* at, uint32_t value) {
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
}

void fillHeader(unsigned char* h, uint32_t dataBytes) {
    const uint32_t blockAlign = audioChannels * 2;
    std::memcpy(h, "RIFF", 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    std::memcpy(h + 36, "data", 4);
    put32(h + 4, 36 + dataBytes);
    put32(h + 16, 16);  // fmt chunk size
    put16(h + 20, 1);   // PCM
    put16(h + 22, audioChannels);
    put32(h + 24, audioSampleRate);
    put32(h + 28, audioSampleRate * blockAlign);
    put16(h + 32, blockAlign);
    put16(h + 34, 16);
    put32(h + 40, dataBytes);
}

// The header as it stands; the file position is left at the end of the data.
int writeHeader(WavWriter* wav) {
    unsigned char header[headerBytes];
    fillHeader(header, wav->dataBytes);
    return std::fseek(wav->file, 0, SEEK_SET) == 0 && std::fwrite(header, 1, headerBytes, wav->file) == headerBytes &&
           std::fseek(wav->file, 0, SEEK_END) == 0;
}

// After a failed write: back to the last whole write, and a header that says so.
void cutBackToData(WavWriter* wav) {
    const int error = errno;
    platformTruncateFile(wav->file, headerBytes + static_cast<long long>(wav->dataBytes));
    writeHeader(wav);
    errno = error;
}
}  // namespace

int openWav(WavWriter* wav, const std::string& path) {
    wav->dataBytes = 0;
    wav->file = std::fopen(path.c_str(), "wb");
    if (!wav->file) return 0;
    // Unbuffered: what a write reports is what reached the file.
    std::setvbuf(wav->file, nullptr, _IONBF, 0);
    return writeHeader(wav);
}

int writeWav(WavWriter* wav, const int16_t* samples, int frames) {
    if (!wav->file || frames < 0) return 0;
    const uint32_t bytes = static_cast<uint32_t>(frames) * audioChannels * 2;
    if (bytes > maxDataBytes - wav->dataBytes) {
        errno = EFBIG;  // past what a WAV header can say
        return 0;
    }
    // Little-endian on disk whatever the machine's order.
    unsigned char buffer[4096];
    const int count = frames * audioChannels;
    int done = 0;
    while (done < count) {
        int chunk = 0;
        for (; chunk < static_cast<int>(sizeof buffer / 2) && done < count; ++chunk, ++done)
            put16(buffer + 2 * chunk, static_cast<uint16_t>(samples[done]));
        if (std::fwrite(buffer, 2, static_cast<size_t>(chunk), wav->file) != static_cast<size_t>(chunk)) {
            cutBackToData(wav);
            return 0;
        }
    }
    wav->dataBytes += bytes;
    if (writeHeader(wav)) return 1;
    wav->dataBytes -= bytes;
    cutBackToData(wav);
    return 0;
}

int cutWav(WavWriter* wav, uint32_t dataBytes) {
    if (!wav->file || dataBytes > wav->dataBytes) return 0;
    wav->dataBytes = dataBytes;
    return platformTruncateFile(wav->file, headerBytes + static_cast<long long>(dataBytes)) && writeHeader(wav);
}

int closeWav(WavWriter* wav) {
    if (!wav->file) return 0;
    const int ok = std::fclose(wav->file) == 0;
    wav->file = nullptr;
    return ok;
}
