// The soundtrack: the music file read whole into memory and played once through the
// sound layer, restarted from its beginning by every start-up, closed by every shut-down.
#include "audio/soundtrack.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "assets/data_path.h"
#include "assets/demo_timeline.h"
#include "assets/media_file.h"
#include "assets/media_manifest.h"
#include "audio/sound.h"

Soundtrack soundtrack = {nullptr, 0, nullptr, -1};

namespace {
const int musicMode = SOUND_LOADMEMORY | SOUND_MONO | SOUND_8BITS | SOUND_LOOP_OFF;
static_assert(musicMode == 32809, "the stream mode the soundtrack is opened with");

const char silentConsequence[] = "the demo plays without music";

// Leaves musicImage null and the length 0 unless the file is a regular file of bounded size
// that could be read whole: the stream then fails to open and no channel plays. A damaged
// file gets its line; a missing one was named at start.
void readMusicImage(const std::string& path) {
    soundtrack.musicImage = nullptr;
    soundtrack.musicImageLength = 0;
    MediaFile file;
    if (readMediaFile(path, mediaFileByteCap, &file) != MEDIA_READ) {
        if (!file.problem.empty()) warnMedia(path, file.problem, silentConsequence);
        return;
    }
    unsigned char* image = static_cast<unsigned char*>(std::malloc(file.bytes.size()));
    if (!image) return;
    std::memcpy(image, file.bytes.data(), file.bytes.size());
    soundtrack.musicImage = image;
    soundtrack.musicImageLength = static_cast<int>(file.bytes.size());
}
}  // namespace

int startMusic() {
    // A start without the matching stop would orphan the previous stream and its bytes.
    if (soundtrack.musicStream || soundtrack.musicImage) stopMusic();
    soundSetOutput(SOUND_OUTPUT_SYSTEM);
    soundSetDriver(1);
    soundInit(audioSampleRate, 32, 0);
    const std::string path = resolveDataPath(soundtrackPath);
    readMusicImage(path);
    soundtrack.musicStream = soundStreamOpen(soundtrack.musicImage, musicMode, soundtrack.musicImageLength);
    if (soundtrack.musicImage && !soundtrack.musicStream)
        warnMedia(path, "is not an MP3 stream that can be decoded", silentConsequence);
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
