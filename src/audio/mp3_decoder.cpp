// MP3 decoding through libmpg123 from a buffer in memory, behind a reader of our own
// so the file is never copied; output is fixed to 16-bit stereo at the mixing rate.
#include "audio/mp3_decoder.h"

#include <mpg123.h>
#include <sys/types.h>

#include <cstring>
#include <mutex>

struct Mp3Decoder {
    mpg123_handle* handle;
    const unsigned char* data;
    size_t length;
    size_t position;
    int sourceRate;
    int sourceChannels;
    int ended;
};

namespace {
std::once_flag libraryReady;

ssize_t readMemory(void* handle, void* buffer, size_t bytes) {
    Mp3Decoder* decoder = static_cast<Mp3Decoder*>(handle);
    const size_t left = decoder->length - decoder->position;
    const size_t count = bytes < left ? bytes : left;
    std::memcpy(buffer, decoder->data + decoder->position, count);
    decoder->position += count;
    return static_cast<ssize_t>(count);
}

off_t seekMemory(void* handle, off_t offset, int whence) {
    Mp3Decoder* decoder = static_cast<Mp3Decoder*>(handle);
    off_t base = 0;
    if (whence == SEEK_CUR) base = static_cast<off_t>(decoder->position);
    else if (whence == SEEK_END) base = static_cast<off_t>(decoder->length);
    else if (whence != SEEK_SET) return -1;
    const off_t target = base + offset;
    if (target < 0 || static_cast<size_t>(target) > decoder->length) return -1;
    decoder->position = static_cast<size_t>(target);
    return target;
}

// Opens the handle over the memory reader and finds the first frame; 0 when there is none.
int openHandle(Mp3Decoder* decoder, int rate) {
    mpg123_handle* handle = decoder->handle;
    mpg123_param(handle, MPG123_FLAGS, MPG123_QUIET, 0.0);
    // Only 16-bit stereo at the mixing rate: libmpg123 resamples other rates and doubles mono.
    mpg123_format_none(handle);
    if (mpg123_format(handle, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) return 0;
    if (mpg123_replace_reader_handle(handle, readMemory, seekMemory, nullptr) != MPG123_OK) return 0;
    if (mpg123_open_handle(handle, decoder) != MPG123_OK) return 0;
    long outRate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle, &outRate, &channels, &encoding) != MPG123_OK) return 0;
    if (outRate != rate || channels != 2 || encoding != MPG123_ENC_SIGNED_16) return 0;
    mpg123_frameinfo info;
    if (mpg123_info(handle, &info) != MPG123_OK) return 0;
    decoder->sourceRate = static_cast<int>(info.rate);
    decoder->sourceChannels = info.mode == MPG123_M_MONO ? 1 : 2;
    return 1;
}
}  // namespace

Mp3Decoder* mp3Open(const unsigned char* data, size_t length, int rate) {
    if (!data || length == 0 || rate <= 0) return nullptr;
    std::call_once(libraryReady, [] { mpg123_init(); });
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    if (!handle) return nullptr;
    Mp3Decoder* decoder = new Mp3Decoder{handle, data, length, 0, 0, 0, 0};
    if (!openHandle(decoder, rate)) {
        mp3Close(decoder);
        return nullptr;
    }
    return decoder;
}

int mp3Read(Mp3Decoder* decoder, int16_t* out, int frames) {
    if (!decoder || !out || frames <= 0) return 0;
    const size_t frameBytes = 2 * sizeof(int16_t);
    size_t filled = 0;
    const size_t wanted = static_cast<size_t>(frames) * frameBytes;
    while (filled < wanted && !decoder->ended) {
        size_t done = 0;
        const int result = mpg123_read(decoder->handle, reinterpret_cast<unsigned char*>(out) + filled,
                                       wanted - filled, &done);
        filled += done;
        // A format change mid-file cannot happen with the one format allowed; anything but OK
        // (the end, a damaged frame, a failed resync) ends the stream.
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT) decoder->ended = 1;
        else if (done == 0 && result == MPG123_OK) decoder->ended = 1;
    }
    return static_cast<int>(filled / frameBytes);
}

void mp3Close(Mp3Decoder* decoder) {
    if (!decoder) return;
    mpg123_close(decoder->handle);
    mpg123_delete(decoder->handle);
    delete decoder;
}

int mp3SourceRate(const Mp3Decoder* decoder) { return decoder ? decoder->sourceRate : 0; }
int mp3SourceChannels(const Mp3Decoder* decoder) { return decoder ? decoder->sourceChannels : 0; }
