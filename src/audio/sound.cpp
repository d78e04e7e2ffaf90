// The sound layer: MP3 streams decoded a block ahead of a software mixer whose channels
// feed the platform's audio device. The mixer runs on the device's thread.
#include "audio/sound.h"

#include <algorithm>
#include <vector>

#include "assets/demo_timeline.h"
#include "audio/mp3_decoder.h"
#include "platform/platform.h"

namespace {
// One MP3 frame's worth: small enough that a stream holds little, large enough to decode cheaply.
const int blockFrames = 1152;
const int mixChunkFrames = 1024;
const int unityGain = 256;  // gains are 8.8 fixed point
}  // namespace

struct SoundStream {
    Mp3Decoder* decoder;
    SoundStreamCallback endCallback;
    void* endUser;
    SoundStreamCallback syncCallback;
    void* syncUser;
    int channel;  // -1 while on no channel
    int ended;    // the decoder has given its last sample
    int blockFill;
    int blockPos;
    int16_t block[blockFrames * 2];
};

namespace {
struct Channel {
    SoundStream* stream;  // null when free
    int paused;
    int leftGain;
    int rightGain;
};

struct {
    int output = SOUND_OUTPUT_SYSTEM;
    int driver = 0;
    int open = 0;
    int rate = audioSampleRate;  // until soundInit says otherwise
    std::vector<Channel> channels;
    int32_t mix[mixChunkFrames * 2];
} state;

// Decodes the next block; 0 once the stream has nothing more.
int refillBlock(SoundStream* stream) {
    stream->blockPos = 0;
    stream->blockFill = stream->ended ? 0 : mp3Read(stream->decoder, stream->block, blockFrames);
    if (stream->blockFill == 0) stream->ended = 1;
    return stream->blockFill;
}

// The stream has played its last sample: the channel falls free and the end callback runs.
void finishStream(Channel& channel) {
    SoundStream* stream = channel.stream;
    channel.stream = nullptr;
    stream->channel = -1;
    if (stream->endCallback) stream->endCallback(stream, nullptr, 0, stream->endUser);
}

void mixChannel(Channel& channel, int32_t* mix, int frames) {
    SoundStream* stream = channel.stream;
    int done = 0;
    while (done < frames) {
        if (stream->blockPos == stream->blockFill && !refillBlock(stream)) {
            finishStream(channel);
            return;
        }
        const int count = std::min(frames - done, stream->blockFill - stream->blockPos);
        const int16_t* in = stream->block + stream->blockPos * 2;
        int32_t* acc = mix + done * 2;
        if (channel.leftGain == unityGain && channel.rightGain == unityGain) {
            for (int i = 0; i < count * 2; ++i) acc[i] += in[i];
        } else {
            for (int i = 0; i < count; ++i) {
                acc[i * 2] += in[i * 2] * channel.leftGain / unityGain;
                acc[i * 2 + 1] += in[i * 2 + 1] * channel.rightGain / unityGain;
            }
        }
        stream->blockPos += count;
        done += count;
    }
}

// The device's fill function: every unpaused channel summed, clipped to 16 bits.
void mixInto(int16_t* out, int frames, void*) {
    while (frames > 0) {
        const int chunk = std::min(frames, mixChunkFrames);
        std::fill(state.mix, state.mix + chunk * 2, 0);
        for (Channel& channel : state.channels)
            if (channel.stream && !channel.paused) mixChannel(channel, state.mix, chunk);
        for (int i = 0; i < chunk * 2; ++i)
            out[i] = static_cast<int16_t>(std::clamp<int32_t>(state.mix[i], -32768, 32767));
        out += chunk * 2;
        frames -= chunk;
    }
}

Channel* playingChannel(int channel) {
    if (!state.open || channel < 0 || channel >= static_cast<int>(state.channels.size())) return nullptr;
    Channel* found = &state.channels[static_cast<size_t>(channel)];
    return found->stream ? found : nullptr;
}

int chooseChannel(int channel) {
    const int count = static_cast<int>(state.channels.size());
    if (channel == SOUND_FREE) {
        for (int i = 0; i < count; ++i)
            if (!state.channels[static_cast<size_t>(i)].stream) return i;
        return -1;
    }
    return channel >= 0 && channel < count ? channel : -1;
}
}  // namespace

int soundSetOutput(int output) {
    if (state.open || output < 0) return 0;
    state.output = output;
    return 1;
}

int soundSetDriver(int driver) {
    if (state.open || driver < 0) return 0;
    state.driver = driver;
    return 1;
}

int soundInit(int rate, int channels, unsigned) {
    if (state.open) soundClose();
    if (rate < 8000 || rate > 192000 || channels < 1 || channels > 256) return 0;
    state.rate = rate;
    if (state.output == SOUND_OUTPUT_NONE) return 0;
    state.channels.assign(static_cast<size_t>(channels), Channel{nullptr, 0, unityGain, unityGain});
    if (!platformOpenAudio(rate, 2, mixInto, nullptr)) {
        state.channels.clear();
        return 0;
    }
    state.open = 1;
    // The device runs from here on, silent until a channel plays.
    platformPauseAudio(0);
    return 1;
}

void soundClose() {
    if (!state.open) return;
    platformLockAudio();
    for (Channel& channel : state.channels)
        if (channel.stream) channel.stream->channel = -1;
    state.channels.clear();
    platformUnlockAudio();
    platformCloseAudio();
    state.open = 0;
}

SoundStream* soundStreamOpen(const void* data, int mode, int length) {
    if (!data || length <= 0 || !(mode & SOUND_LOADMEMORY)) return nullptr;
    Mp3Decoder* decoder = mp3Open(static_cast<const unsigned char*>(data), static_cast<size_t>(length), state.rate);
    if (!decoder) return nullptr;
    SoundStream* stream = new SoundStream();
    stream->decoder = decoder;
    stream->channel = -1;
    return stream;
}

int soundStreamSetEndCallback(SoundStream* stream, SoundStreamCallback callback, void* user) {
    if (!stream) return 0;
    platformLockAudio();
    stream->endCallback = callback;
    stream->endUser = user;
    platformUnlockAudio();
    return 1;
}

int soundStreamSetSyncCallback(SoundStream* stream, SoundStreamCallback callback, void* user) {
    if (!stream) return 0;
    platformLockAudio();
    stream->syncCallback = callback;
    stream->syncUser = user;
    platformUnlockAudio();
    return 1;
}

int soundStreamPlay(int channel, SoundStream* stream, SoundDsp*, int paused) {
    if (!state.open || !stream) return -1;
    platformLockAudio();
    const int alreadyPlaying = stream->channel >= 0;
    const int chosen = alreadyPlaying ? -1 : chooseChannel(channel);
    platformUnlockAudio();
    if (chosen < 0) return -1;
    // Off every channel, the stream is the main thread's alone: decode its first block now so
    // that the unpause finds samples waiting.
    if (stream->blockPos == stream->blockFill && !refillBlock(stream)) return -1;
    platformLockAudio();
    Channel& target = state.channels[static_cast<size_t>(chosen)];
    if (target.stream) target.stream->channel = -1;  // a named channel is taken over
    target = Channel{stream, paused != 0, unityGain, unityGain};
    stream->channel = chosen;
    platformUnlockAudio();
    return chosen;
}

int soundStreamClose(SoundStream* stream) {
    if (!stream) return 0;
    platformLockAudio();
    if (stream->channel >= 0 && static_cast<size_t>(stream->channel) < state.channels.size())
        state.channels[static_cast<size_t>(stream->channel)].stream = nullptr;
    stream->channel = -1;
    platformUnlockAudio();
    mp3Close(stream->decoder);
    delete stream;
    return 1;
}

int soundSetPan(int channel, int pan) {
    if (pan != SOUND_STEREOPAN && (pan < 0 || pan > 255)) return 0;
    platformLockAudio();
    Channel* target = playingChannel(channel);
    if (target) {
        // Stereo pan leaves both sides whole; otherwise a balance with the middle at 128.
        const int stereo = pan == SOUND_STEREOPAN;
        target->leftGain = stereo || pan <= 128 ? unityGain : (255 - pan) * unityGain / 127;
        target->rightGain = stereo || pan >= 128 ? unityGain : pan * unityGain / 128;
    }
    platformUnlockAudio();
    return target != nullptr;
}

int soundSetPaused(int channel, int paused) {
    platformLockAudio();
    Channel* target = playingChannel(channel);
    if (target) target->paused = paused != 0;
    platformUnlockAudio();
    return target != nullptr;
}

int soundIsPlaying(int channel) {
    platformLockAudio();
    const Channel* target = playingChannel(channel);
    const int playing = target && !target->paused;
    platformUnlockAudio();
    return playing;
}
