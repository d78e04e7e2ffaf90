// Helpers of the recorder tests: running the real binary, and reading back what it wrote
// (PNG frames, WAV, the soundtrack decoded independently, ffmpeg's view of a video file).
#pragma once

#include <signal.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

struct RunResult {
    int status = -1;     // exit status, or 128 + signal
    std::string stderrText;
    std::string stdoutText;
    double seconds = 0;  // from start to exit
};

struct RunOptions {
    std::string binary;                    // default: the program of this build
    std::vector<std::string> env;          // NAME=VALUE entries added to the environment
    std::string workDir;                   // default: the build directory, data/ below it
    // Polled every 20 ms with the standard error so far; once it holds, `signals` go.
    std::function<bool(const std::string& stderrSoFar)> interruptWhen;
    std::vector<int> signals = {SIGINT};   // one after another, `signalGapMs` apart
    int signalGapMs = 300;
    bool signalChildren = false;           // each signal goes to the program's children too
    bool closedStreams = false;            // started with standard input, output and error closed
    bool stderrReaderLeaves = false;       // the reader of standard error goes once it has a line
    bool stderrReaderGone = false;         // standard error is a pipe nobody reads (`2>&1 | true`)
    long fileSizeLimit = 0;                // bytes any one file may reach, as on a full disk
};

// Runs the demo binary with SDL's offscreen video and no sound device.
RunResult runQuorvex(const std::vector<std::string>& args, const RunOptions& options = {});
// Options that send `signals` once `dir` holds the recorder's unfinished video larger than
// `bytes`, or once a frame directory holds frame `n`.
RunOptions stopOncePartFile(const std::string& dir, long bytes, std::vector<int> signals = {SIGINT});
RunOptions stopAtFrame(const std::string& dir, long n, std::vector<int> signals = {SIGINT});

// A stand-in for ffmpeg on PATH: a shell script with the given body, the encoder's
// descriptors 3 (video) and 4 (sound) open. Every process id the script appends to
// $STANDIN_PIDS (its own is written first) can be checked for having ended.
struct EncoderStandIn {
    explicit EncoderStandIn(const std::string& body);
    RunOptions options() const;  // PATH and STANDIN_PIDS for the run
    bool allEnded() const;       // within two seconds, every listed process is gone
    TempDir dir;
};

// Records `name` (a video) at `fps` until well past where ffmpeg could stall on its inputs
// (a tenth of the demo; at high rates, until the output is begun), then interrupts it and
// checks that the file plays with sound as long as its video.
void expectRecordingPastStartAt(const std::string& name, int fps);

// True once the file at `path` holds more than `bytes`.
bool fileLargerThan(const std::string& path, long bytes);
// True once `dir` holds the recorder's unfinished video (a hidden *.part-* file) larger
// than `minBytes`.
bool holdsPartFile(const std::string& dir, long minBytes);
// Every entry of a directory except . and .., sorted.
std::vector<std::string> listDir(const std::string& dir);

std::string buildDir();
bool pathExists(const std::string& path);
// Frame n of a PNG directory recording.
std::string frameName(const std::string& dir, long n);
// The frames a recording left in `dir`: whole PNG frames of width x height, numbered from 0
// without a gap, and no unfinished (hidden) file; other files of the user's are passed over.
// -1, with a test failure saying why, when the frames are not so.
long wholeFrames(const std::string& dir, int width = 640, int height = 480);
// Stereo sample frames in `dir`/soundtrack.wav (16-bit, 44.1 kHz); -1 when it is no such WAV.
long soundtrackSampleFrames(const std::string& dir);
// Frames in a video file, as ffmpeg decodes them; 0 when there are none.
long videoFrames(const std::string& path);

// A test picture in RGB, in three bands from the top: black, smooth ramps and noise, so that
// every filter and conversion path and long runs are met.
std::vector<uint8_t> testPicture(int width, int height, unsigned seed);
// RGB, top row first, with its size; empty when the file is not such a PNG.
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
// Reads raw RGB frames of width x height of a video file one by one through ffmpeg.
struct FrameReader;
FrameReader* openFrameReader(const std::string& path, int width = 640, int height = 480);
bool nextFrame(FrameReader* reader, std::vector<uint8_t>* rgb);
void closeFrameReader(FrameReader* reader);
