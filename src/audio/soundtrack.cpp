// The soundtrack: the music file read whole into memory and played once through the
// sound layer, restarted from its beginning by every start-up, closed by every shut-down.
#include "audio/soundtrack.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "assets/data_path.h"
#include "assets/demo_timeline.h"
#include "assets/media_manifest.h"
#include "audio/sound.h"

Soundtrack soundtrack = {nullptr, 0, nullptr, -1};

namespace {
const int musicMode = SOUND_LOADMEMORY | SOUND_MONO | SOUND_8BITS | SOUND_LOOP_OFF;
static_assert(musicMode == 32809, "the stream mode the soundtrack is opened with");

// Leaves musicImage null and the length 0 when the file is missing, empty, too large for a
// 32-bit length, or cannot be read whole: the stream then fails to open and no channel plays.
void readMusicImage() {
    soundtrack.musicImage = nullptr;
    soundtrack.musicImageLength = 0;
    std::FILE* file = openDataFile(soundtrackPath, "rb");
    if (!file) return;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length > 0 && length <= INT_MAX && std::fseek(file, 0, SEEK_SET) == 0) {
        unsigned char* image = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(length)));
        if (image && std::fread(image, static_cast<size_t>(length), 1, file) == 1) {
            soundtrack.musicImage = image;
            soundtrack.musicImageLength = static_cast<int>(length);
        } else {
            std::free(image);
        }
    }
    std::fclose(file);
}
}  // namespace

int startMusic() {
    // A start without the matching stop would orphan the previous stream and its bytes.
    if (soundtrack.musicStream || soundtrack.musicImage) stopMusic();
    soundSetOutput(SOUND_OUTPUT_SYSTEM);
    soundSetDriver(1);
    soundInit(audioSampleRate, 32, 0);
    readMusicImage();
    soundtrack.musicStream = soundStreamOpen(soundtrack.musicImage, musicMode, soundtrack.musicImageLength);
    soundStreamSetEndCallback(soundtrack.musicStream, ignoreStreamEvent, nullptr);
    soundStreamSetSyncCallback(soundtrack.musicStream, ignoreStreamEvent, nullptr);
    soundtrack.musicChannel = soundStreamPlay(SOUND_FREE, soundtrack.musicStream, nullptr, 1);
    if (soundtrack.musicChannel == -1) {
        soundClose();
        return 0;
    }
    soundSetPan(soundtrack.musicChannel, SOUND_STEREOPAN);
    soundSetPaused(soundtrack.musicChannel, 0);
    return 1;
}

void stopMusic() {
    soundStreamClose(soundtrack.musicStream);
    soundtrack.musicStream = nullptr;
    soundClose();
    // The stream is gone, so its bytes can go too: nothing piles up across re-creations.
    std::free(soundtrack.musicImage);
    soundtrack.musicImage = nullptr;
    soundtrack.musicImageLength = 0;
    soundtrack.musicChannel = -1;
}

int ignoreStreamEvent(SoundStream*, void*, int, void*) { return 1; }
