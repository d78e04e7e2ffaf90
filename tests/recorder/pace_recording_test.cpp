// Every recording rate shows one demo: a recording at N fps holds the pictures of the 60 fps
// recording at its own frames' times, ends where the demo ends, and carries the same sound.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "recording_files.h"
#include "support/temp_dir.h"

namespace {
// The picture's own checksum, without the frame's timestamps that framemd5 puts before it.
std::string picture(const std::string& line) { return line.substr(line.rfind(',') + 1); }
}  // namespace

TEST(PaceRecording, LowerRatesHoldTheSixtyFpsPicturesAtTheirTimes) {
    TempDir dir;
    const std::string at60 = dir.file("r60.mkv");
    RunResult run60;
    std::thread full([&] { run60 = runQuorvex({"--record", at60, "--fps", "60"}); });
    const struct {
        int fps;
        std::string out;
    } rates[] = {{30, dir.file("r30.mkv")}, {2, dir.file("r2.mkv")}};
    std::vector<RunResult> runs;
    for (const auto& rate : rates) runs.push_back(runQuorvex({"--record", rate.out, "--fps", std::to_string(rate.fps)}));
    full.join();
    ASSERT_EQ(run60.status, 0) << run60.stderrText;

    const std::vector<std::string> pictures60 = frameChecksums(at60);
    ASSERT_EQ(pictures60.size(), 98u * 60);
    const std::vector<int16_t> sound60 = ffmpegAudio(at60);
    for (size_t r = 0; r < runs.size(); ++r) {
        const int fps = rates[r].fps;
        ASSERT_EQ(runs[r].status, 0) << runs[r].stderrText;
        const std::vector<std::string> pictures = frameChecksums(rates[r].out);
        ASSERT_EQ(pictures.size(), 98u * fps) << fps << " fps ends with the demo";
        long differing = 0;
        for (size_t n = 0; n < pictures.size(); ++n) differing += picture(pictures[n]) != picture(pictures60[n * (60 / fps)]);
        EXPECT_EQ(differing, 0) << fps << " fps";
        EXPECT_TRUE(ffmpegAudio(rates[r].out) == sound60) << fps << " fps carries the same soundtrack";
    }
}
