// Soundtrack generation: performs the score, masters it and writes muhsik.mp3.
// Loudness is set to -14 LUFS with true peaks at or below -1.5 dBTP, so the decoded MP3 stays under -1 dBFS.
#include <Stk.h>

#include <cstdio>
#include <fstream>

#include "media.h"
#include "music/master.h"
#include "music/score.h"

namespace {

constexpr double kTargetLufs = -14.0;
constexpr double kCeilingDb = -1.5;

bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

}  // namespace

int generateSoundtrack(const std::string& outDir) {
    stk::Stk::setSampleRate(kSampleRate);
    const Mixer mixer = performScore();
    Stereo programme = mixDown(mixer);
    masterProgramme(programme, kTargetLufs, kCeilingDb);
    const std::vector<unsigned char> mp3 = encodeMp3(programme);
    const std::string path = outDir + "/muhsik.mp3";
    if (mp3.empty() || !writeBytes(path, mp3)) {
        std::fprintf(stderr, "quorvex-mediagen: cannot write %s\n", path.c_str());
        return 0;
    }
    return 1;
}
