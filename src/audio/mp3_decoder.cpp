// MP3 decoding through libmpg123 from a buffer in memory, behind a reader of our own so the
// file is never copied; 16-bit stereo out, resampled here when the file's rate is another.
#include "audio/mp3_decoder.h"

#include <mpg123.h>
#include <sys/types.h>

#include <cstring>
#include <mutex>

namespace {
// Native frames decoded at a time when resampling; one MP3 frame holds 1152.
const int sourceBlockFrames = 1152;
}  // namespace

// It costs about a third of a second per hour of music over the fastest SIMD one.
const char* const mp3Synthesis = "generic";

struct Mp3Decoder {
    mpg123_handle* handle;
    const unsigned char* data;
    size_t length;
    size_t position;
    int rate;  // of the output
    int sourceRate;
    int sourceChannels;
    int ended;  // libmpg123 has given its last sample
    // Resampling by linear interpolation: output frame k sits at source frame k * sourceRate / rate.
    int16_t source[(sourceBlockFrames + 1) * 2];
    int sourceCount;   // frames held in `source`
    int sourceIndex;   // the frame at or before the next output position
    int64_t fraction;  // how far past it, in units of 1 / rate of a frame
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
int openHandle(Mp3Decoder* decoder) {
    mpg123_handle* handle = decoder->handle;
    // Mono comes out doubled to stereo; any rate is taken as it is and converted by us.
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO, 0.0);
    mpg123_format_none(handle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i) mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_replace_reader_handle(handle, readMemory, seekMemory, nullptr) != MPG123_OK) return 0;
    if (mpg123_open_handle(handle, decoder) != MPG123_OK) return 0;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK) return 0;
    if (rate <= 0 || channels != 2 || encoding != MPG123_ENC_SIGNED_16) return 0;
    mpg123_frameinfo info;
    if (mpg123_info(handle, &info) != MPG123_OK) return 0;
    decoder->sourceRate = static_cast<int>(rate);
    decoder->sourceChannels = info.mode == MPG123_M_MONO ? 1 : 2;
    return 1;
}

// Native stereo frames straight from libmpg123; fewer than asked only at the end.
int decodeNative(Mp3Decoder* decoder, int16_t* out, int frames) {
    const size_t frameBytes = 2 * sizeof(int16_t);
    const size_t wanted = static_cast<size_t>(frames) * frameBytes;
    size_t filled = 0;
    while (filled < wanted && !decoder->ended) {
        size_t done = 0;
        const int result =
            mpg123_read(decoder->handle, reinterpret_cast<unsigned char*>(out) + filled, wanted - filled, &done);
        filled += done;
        // Only one format is allowed, so anything but OK is the end: of the data, or at a
        // damaged frame that cannot be resynced.
        if (result != MPG123_OK || done == 0) decoder->ended = 1;
    }
    return static_cast<int>(filled / frameBytes);
}

// Keeps frames sourceIndex and sourceIndex + 1 in the buffer; 0 when the data has run out.
// Steps larger than a block (a high file rate into a low mixing rate) skip whole blocks.
int haveSourcePair(Mp3Decoder* decoder) {
    while (decoder->sourceIndex + 1 >= decoder->sourceCount) {
        if (decoder->sourceIndex < decoder->sourceCount) {
            std::memmove(decoder->source, decoder->source + decoder->sourceIndex * 2, sizeof(int16_t) * 2);
            decoder->sourceCount = 1;
            decoder->sourceIndex = 0;
        } else {
            decoder->sourceIndex -= decoder->sourceCount;
            decoder->sourceCount = 0;
        }
        const int got = decodeNative(decoder, decoder->source + decoder->sourceCount * 2, sourceBlockFrames);
        if (got == 0) return 0;
        decoder->sourceCount += got;
    }
    return 1;
}

int resample(Mp3Decoder* decoder, int16_t* out, int frames) {
    int written = 0;
    while (written < frames && haveSourcePair(decoder)) {
        const int16_t* a = decoder->source + decoder->sourceIndex * 2;
        const int16_t* b = a + 2;
        for (int c = 0; c < 2; ++c)
            out[written * 2 + c] = static_cast<int16_t>(a[c] + (b[c] - a[c]) * decoder->fraction / decoder->rate);
        ++written;
        decoder->fraction += decoder->sourceRate;
        decoder->sourceIndex += static_cast<int>(decoder->fraction / decoder->rate);
        decoder->fraction %= decoder->rate;
    }
    return written;
}
}  // namespace

Mp3Decoder* mp3Open(const unsigned char* data, size_t length, int rate) {
    if (!data || length == 0 || rate <= 0) return nullptr;
    std::call_once(libraryReady, [] { mpg123_init(); });
    mpg123_handle* handle = mpg123_new(mp3Synthesis, nullptr);
    if (!handle) handle = mpg123_new(nullptr, nullptr);  // a library built without it
    if (!handle) return nullptr;
    Mp3Decoder* decoder = new Mp3Decoder();
    decoder->handle = handle;
    decoder->data = data;
    decoder->length = length;
    decoder->rate = rate;
    if (!openHandle(decoder)) {
        mp3Close(decoder);
        return nullptr;
    }
    return decoder;
}

int mp3Read(Mp3Decoder* decoder, int16_t* out, int frames) {
    if (!decoder || !out || frames <= 0) return 0;
    if (decoder->sourceRate == decoder->rate) return decodeNative(decoder, out, frames);
    return resample(decoder, out, frames);
}

void mp3Close(Mp3Decoder* decoder) {
    if (!decoder) return;
    mpg123_close(decoder->handle);
    mpg123_delete(decoder->handle);
    delete decoder;
}

int mp3SourceRate(const Mp3Decoder* decoder) { return decoder ? decoder->sourceRate : 0; }
int mp3SourceChannels(const Mp3Decoder* decoder) { return decoder ? decoder->sourceChannels : 0; }
