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
    const auto out = [&](int fps) { return dir.file("r" + std::to_string(fps) + ".mkv"); };
    const auto record = [&](int fps) { return runQuorvex({"--record", out(fps), "--fps", std::to_string(fps)}); };
    RunResult run60;
    std::thread full([&] { run60 = record(60); });
    const int rates[] = {30, 2};
    std::vector<RunResult> runs;
    for (int fps : rates) runs.push_back(record(fps));
    full.join();
    ASSERT_EQ(run60.status, 0) << run60.stderrText;

    const std::vector<std::string> pictures60 = frameChecksums(out(60));
    ASSERT_EQ(pictures60.size(), 98u * 60);
    const std::vector<int16_t> sound60 = ffmpegAudio(out(60));
    for (size_t r = 0; r < runs.size(); ++r) {
        const int fps = rates[r];
        ASSERT_EQ(runs[r].status, 0) << runs[r].stderrText;
        const std::vector<std::string> pictures = frameChecksums(out(fps));
        ASSERT_EQ(pictures.size(), 98u * fps) << fps << " fps ends with the demo";
        long differing = 0;
        for (size_t n = 0; n < pictures.size(); ++n) differing += picture(pictures[n]) != picture(pictures60[n * (60 / fps)]);
        EXPECT_EQ(differing, 0) << fps << " fps";
        EXPECT_TRUE(ffmpegAudio(out(fps)) == sound60) << fps << " fps carries the same soundtrack";
    }
}
