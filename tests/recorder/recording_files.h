// Helpers of the recorder tests: running the real binary, and reading back what it wrote
// (PNG frames, WAV, the soundtrack decoded independently, ffmpeg's view of a video file).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RunResult {
    int status = -1;     // exit status, or 128 + signal
    std::string stderrText;
};

// Runs the demo binary from the build directory with SDL's offscreen video and no sound
// device. `extraEnv` entries are NAME=VALUE. With `interruptWhenGrown` set, SIGINT is sent
// once that file holds more than a megabyte, as Ctrl-C would.
RunResult runQuorvex(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {},
                     const std::string& interruptWhenGrown = "");
// The same with any copy of the program, started in `workingDir`.
RunResult runProgram(const std::string& binary, const std::string& workingDir, const std::vector<std::string>& args,
                     const std::vector<std::string>& extraEnv = {}, const std::string& interruptWhenGrown = "");

std::string buildDir();
bool pathExists(const std::string& path);

// 640 x 480 RGB, top row first; empty when the file is not such a PNG.
std::vector<uint8_t> readPngRgb(const std::string& path, int* width, int* height);

struct WavData {
    int channels = 0, rate = 0, bits = 0;
    std::vector<int16_t> samples;  // interleaved
};
bool readWav(const std::string& path, WavData* wav);

// data/muhsik.mp3 decoded with libmpg123 as 16-bit samples at the file's own format.
bool decodeSoundtrack(std::vector<int16_t>* samples, long* rate, int* channels);

// ffmpeg's decode of a file's audio as 16-bit stereo 44.1 kHz, and ffprobe's fields.
std::vector<int16_t> ffmpegAudio(const std::string& path);
std::string ffprobe(const std::string& path, const std::string& stream, const std::string& entries);
// One checksum line per decoded video frame (ffmpeg's framemd5 of the RGB pictures).
std::vector<std::string> frameChecksums(const std::string& path);
// Reads raw RGB frames of a video file one by one through ffmpeg.
struct FrameReader;
FrameReader* openFrameReader(const std::string& path);
bool nextFrame(FrameReader* reader, std::vector<uint8_t>* rgb);
void closeFrameReader(FrameReader* reader);
