// Soundtrack generation: performs the score, masters it and writes the demo's MP3.
// It plays at -14 LUFS; true peaks are held to -2 dBTP, leaving the encoder room under -1 dBFS.
#include <Stk.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "assets/media_manifest.h"
#include "media.h"
#include "music/master.h"
#include "music/score.h"

namespace {

constexpr double kTargetLufs = -14.0;
constexpr double kCeilingDb = -2.0;

// The encoder plays back a little quieter than its input; a trial encode of a loud stretch
// measures by how much, and the programme makes up for it. Peaks drop by as much, so the
// decoded ceiling holds.
void makeUpEncoderLoss(Stereo& programme) {
    const double makeUpDb = std::clamp(-codecGainDb(programme, 50, 8), 0.0, 1.0);
    const float gain = static_cast<float>(std::pow(10.0, makeUpDb / 20));
    for (std::size_t i = 0; i < programme.left.size(); ++i) {
        programme.left[i] *= gain;
        programme.right[i] *= gain;
    }
}

}  // namespace

int generateSoundtrack(const std::string& outDir) {
    // Open the file first, so an unwritable directory fails before seconds of synthesis.
    const std::string path = outDir + "/" + mediaFileName(soundtrackPath);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        std::fprintf(stderr, "quorvex-mediagen: cannot write %s\n", path.c_str());
        return 0;
    }
    stk::Stk::setSampleRate(kSampleRate);
    Stereo programme = mixDown(performScore());  // the mix buses go as soon as they are summed
    masterProgramme(programme, kTargetLufs, kCeilingDb);
    makeUpEncoderLoss(programme);
    const std::vector<unsigned char> mp3 = encodeMp3(programme);
    file.write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
    file.close();
    if (mp3.empty() || !file) {
        // No half-written soundtrack may look up to date to the next build.
        std::remove(path.c_str());
        std::fprintf(stderr, "quorvex-mediagen: cannot %s %s\n", mp3.empty() ? "encode" : "write", path.c_str());
        return 0;
    }
    return 1;
}
