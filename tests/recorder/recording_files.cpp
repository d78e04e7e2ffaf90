// Helpers of the recorder tests: running the real binary, and reading back what it wrote
// (PNG frames, WAV, the soundtrack decoded independently, ffmpeg's view of a video file).
#include "recording_files.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <mpg123.h>
#include <png.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>

#include "audio/mp3_decoder.h"

extern char** environ;

std::string buildDir() { return QUORVEX_BUILD_DIR; }

bool pathExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::string frameName(const std::string& dir, long n) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%06ld.png", n);
    return dir + name;
}

long wholeFrames(const std::string& dir, int width, int height) {
    long count = 0;
    for (const std::string& name : listDir(dir)) {
        if (name == "soundtrack.wav" || (name[0] != '.' && name.rfind("frame_", 0) != 0)) continue;
        int w = 0, h = 0;
        if (dir + "/" + name != frameName(dir, count) ||
            readPngRgb(dir + "/" + name, &w, &h).size() != static_cast<size_t>(width) * height * 3) {
            ADD_FAILURE() << "'" << name << "' in " << dir << " is not a whole frame " << count;
            return -1;
        }
        ++count;
    }
    return count;
}

long soundtrackSampleFrames(const std::string& dir) {
    WavData wav;
    if (!readWav(dir + "/soundtrack.wav", &wav) || wav.channels != 2 || wav.rate != 44100 || wav.bits != 16) return -1;
    return static_cast<long>(wav.samples.size() / 2);
}

long videoFrames(const std::string& path) {
    return std::stol("0" + ffprobe(path, "v:0", "stream=nb_read_frames -count_frames"));
}

namespace {
// Every process the threads of `pid` started, as the kernel lists them.
std::vector<pid_t> childrenOf(pid_t pid) {
    std::vector<pid_t> children;
    for (const std::string& task : listDir("/proc/" + std::to_string(pid) + "/task")) {
        std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/task/" + task + "/children").c_str(), "r");
        if (!file) continue;
        int child = 0;
        while (std::fscanf(file, "%d", &child) == 1) children.push_back(child);
        std::fclose(file);
    }
    return children;
}
}  // namespace

RunResult runQuorvex(const std::vector<std::string>& args, const RunOptions& options) {
    RunResult result;
    const std::string binary = options.binary.empty() ? QUORVEX_BINARY : options.binary;
    int errPipe[2];
    std::FILE* out = std::tmpfile();
    if (!out || pipe(errPipe) != 0) return result;
    if (options.stderrReaderGone) {
        close(errPipe[0]);
        errPipe[0] = -1;
    }
    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(errPipe[1], 2);
        dup2(fileno(out), 1);
        close(errPipe[0]);
        close(errPipe[1]);
        if (options.closedStreams)
            for (int fd = 0; fd < 3; ++fd) close(fd);
        if (options.fileSizeLimit > 0) {
            const rlimit limit = {static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_IGN);  // writes past it fail instead, as on a full disk
        }
        if (chdir(options.workDir.empty() ? QUORVEX_BUILD_DIR : options.workDir.c_str()) != 0) _exit(126);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        for (const std::string& e : options.env) putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv = {const_cast<char*>(binary.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    close(errPipe[1]);
    fcntl(errPipe[0], F_SETFL, fcntl(errPipe[0], F_GETFL) | O_NONBLOCK);
    // Until the run ends: its standard error gathered, the interrupt sent when asked for,
    // and a run still going a minute after its interrupt killed.
    int status = 0;
    long sinceInterrupt = -1;  // in 20 ms steps
    char buffer[4096];
    ssize_t n;
    for (;;) {
        while (errPipe[0] >= 0 && (n = read(errPipe[0], buffer, sizeof buffer)) > 0)
            result.stderrText.append(buffer, static_cast<size_t>(n));
        if (options.stderrReaderLeaves && errPipe[0] >= 0 && result.stderrText.find('\n') != std::string::npos) {
            close(errPipe[0]);
            errPipe[0] = -1;
        }
        if (waitpid(pid, &status, WNOHANG) == pid) break;
        if (sinceInterrupt < 0 && options.interruptWhen && options.interruptWhen(result.stderrText)) {
            const std::vector<pid_t> children = options.signalChildren ? childrenOf(pid) : std::vector<pid_t>{};
            for (size_t i = 0; i < options.signals.size(); ++i) {
                if (i > 0) usleep(static_cast<useconds_t>(options.signalGapMs) * 1000);
                kill(pid, options.signals[i]);
                for (pid_t child : children) kill(child, options.signals[i]);
            }
            sinceInterrupt = 0;
        }
        if (sinceInterrupt >= 0 && ++sinceInterrupt == 3000) kill(pid, SIGKILL);
        usleep(20000);
    }
    while (errPipe[0] >= 0 && (n = read(errPipe[0], buffer, sizeof buffer)) > 0)
        result.stderrText.append(buffer, static_cast<size_t>(n));
    if (errPipe[0] >= 0) close(errPipe[0]);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::rewind(out);
    while ((n = static_cast<ssize_t>(std::fread(buffer, 1, sizeof buffer, out))) > 0)
        result.stdoutText.append(buffer, static_cast<size_t>(n));
    std::fclose(out);
    return result;
}

RunOptions stopOncePartFile(const std::string& dir, long bytes, std::vector<int> signals) {
    RunOptions options;
    options.interruptWhen = [dir, bytes](const std::string&) { return holdsPartFile(dir, bytes); };
    options.signals = std::move(signals);
    return options;
}

RunOptions stopAtFrame(const std::string& dir, long n, std::vector<int> signals) {
    RunOptions options;
    options.interruptWhen = [dir, n](const std::string&) { return pathExists(frameName(dir, n)); };
    options.signals = std::move(signals);
    return options;
}

EncoderStandIn::EncoderStandIn(const std::string& body) {
    const std::string script = "#!/bin/sh\necho $$ >> \"$STANDIN_PIDS\"\n" + body;
    writeFile(dir.file("bin/ffmpeg"), std::vector<unsigned char>(script.begin(), script.end()));
    chmod(dir.file("bin/ffmpeg").c_str(), 0755);
}

RunOptions EncoderStandIn::options() const {
    RunOptions options;
    options.env = {"PATH=" + dir.file("bin") + ":/usr/bin:/bin", "STANDIN_PIDS=" + dir.file("pids")};
    return options;
}

bool EncoderStandIn::allEnded() const {
    const std::vector<unsigned char> bytes = readFile(dir.file("pids"));
    for (int tries = 0; tries < 100; ++tries) {
        bool running = false;
        std::istringstream pids(std::string(bytes.begin(), bytes.end()));
        for (std::string pid; pids >> pid;) {
            const std::vector<unsigned char> stat = readFile("/proc/" + pid + "/stat");
            const std::string state(stat.begin(), stat.end());
            const size_t paren = state.rfind(')');  // the state follows the command's name
            running |= paren != std::string::npos && paren + 2 < state.size() && state[paren + 2] != 'Z';
        }
        if (!running) return !bytes.empty();
        usleep(20000);
    }
    return false;
}

// A stream's length in seconds. Matroska keeps it in the stream's DURATION tag (H:MM:SS.frac);
// some codecs report it at stream level too, others only there. -1 when neither says.
static double streamSeconds(const std::string& path, const std::string& stream) {
    const std::string direct = ffprobe(path, stream, "stream=duration");
    if (!direct.empty() && direct != "N/A") return std::atof(direct.c_str());
    int hours = 0, minutes = 0;
    double seconds = 0;
    const std::string tag = ffprobe(path, stream, "stream_tags=DURATION");
    if (std::sscanf(tag.c_str(), "%d:%d:%lf", &hours, &minutes, &seconds) != 3) return -1;
    return hours * 3600.0 + minutes * 60.0 + seconds;
}

void expectRecordingPastStartAt(const std::string& name, int fps) {
    TempDir dir;
    RunOptions options;
    options.interruptWhen = [&](const std::string& progress) {
        return fps > 100 ? holdsPartFile(dir.path, 0) : progress.find("10%") != std::string::npos;
    };
    const RunResult run = runQuorvex({"--record", dir.file(name), "--fps", std::to_string(fps)}, options);
    EXPECT_EQ(run.status, 130) << name << " at " << fps << " fps: " << run.stderrText;
    const long frames = videoFrames(dir.file(name));
    EXPECT_GT(frames, 0) << name << " at " << fps << " fps";
    // Sound as long as the video, within one AAC block.
    const double video = streamSeconds(dir.file(name), "v:0");
    const double sound = streamSeconds(dir.file(name), "a:0");
    EXPECT_GT(video, 0) << name << " at " << fps << " fps";
    EXPECT_NEAR(sound, video, 0.03) << name << " at " << fps << " fps";
}

bool fileLargerThan(const std::string& path, long bytes) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && info.st_size > bytes;
}

bool holdsPartFile(const std::string& dir, long minBytes) {
    for (const std::string& name : listDir(dir)) {
        struct stat info;
        if (name[0] == '.' && name.find(".part-") != std::string::npos &&
            stat((dir + "/" + name).c_str(), &info) == 0 && info.st_size > minBytes)
            return true;
    }
    return false;
}

std::vector<std::string> listDir(const std::string& dir) {
    std::vector<std::string> names;
    DIR* handle = opendir(dir.c_str());
    if (!handle) return names;
    while (const dirent* entry = readdir(handle))
        if (std::strcmp(entry->d_name, ".") && std::strcmp(entry->d_name, "..")) names.push_back(entry->d_name);
    closedir(handle);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> testPicture(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i) {
        const long x = static_cast<long>(i / 3 % width), y = static_cast<long>(i / 3 / width),
                   c = static_cast<long>(i % 3);
        rgb[i] = static_cast<uint8_t>(y < height / 3 ? 0 : y < 2 * height / 3 ? x * (c + 1) + seed : random());
    }
    return rgb;
}

std::vector<uint8_t> readPngRgb(const std::string& path, int* width, int* height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    std::vector<uint8_t> rgb;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return rgb;
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) rgb.clear();
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    return rgb;
}

namespace {
uint32_t le(const unsigned char* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

std::string capture(const std::string& command) {
    std::string out;
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    pclose(p);
    return out;
}
}  // namespace

bool readWav(const std::string& path, WavData* wav) {
    const std::vector<unsigned char> b = readFile(path);
    if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(b.data() + 8, "WAVEfmt ", 8) ||
        std::memcmp(b.data() + 36, "data", 4))
        return false;
    if (le(&b[4], 4) != b.size() - 8 || le(&b[40], 4) != b.size() - 44 || le(&b[20], 2) != 1) return false;
    wav->channels = static_cast<int>(le(&b[22], 2));
    wav->rate = static_cast<int>(le(&b[24], 4));
    wav->bits = static_cast<int>(le(&b[34], 2));
    wav->samples.resize((b.size() - 44) / 2);
    for (size_t i = 0; i < wav->samples.size(); ++i) wav->samples[i] = static_cast<int16_t>(le(&b[44 + 2 * i], 2));
    return true;
}

bool decodeSoundtrack(std::vector<int16_t>* samples, long* rate, int* channels) {
    const std::vector<unsigned char> mp3 = readFile(buildDir() + "/data/muhsik.mp3");
    if (mp3.empty()) return false;
    mpg123_handle* h = mpg123_new(mp3Synthesis, nullptr);
    if (!h) return false;
    int encoding = 0;
    bool ok = mpg123_open_feed(h) == MPG123_OK && mpg123_feed(h, mp3.data(), mp3.size()) == MPG123_OK;
    unsigned char buffer[16384];
    while (ok) {
        size_t done = 0;
        const int r = mpg123_read(h, buffer, sizeof buffer, &done);
        const int16_t* s = reinterpret_cast<const int16_t*>(buffer);
        samples->insert(samples->end(), s, s + done / 2);
        if (r == MPG123_NEW_FORMAT) mpg123_getformat(h, rate, channels, &encoding);
        else if (r == MPG123_NEED_MORE || r == MPG123_DONE) break;
        else if (r != MPG123_OK) ok = false;
    }
    mpg123_delete(h);
    return ok && encoding == MPG123_ENC_SIGNED_16;
}

std::vector<int16_t> ffmpegAudio(const std::string& path) {
    const std::string raw =
        capture("ffmpeg -v error -i '" + path + "' -map 0:a -f s16le -ac 2 -ar 44100 - 2>/dev/null");
    std::vector<int16_t> samples(raw.size() / 2);
    std::memcpy(samples.data(), raw.data(), samples.size() * 2);
    return samples;
}

std::string ffprobe(const std::string& path, const std::string& stream, const std::string& entries) {
    std::string out = capture("ffprobe -v error " + (stream.empty() ? "" : "-select_streams " + stream + " ") +
                              "-show_entries " + entries + " -of default=noprint_wrappers=1:nokey=1 '" + path + "'");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

struct FrameReader {
    std::FILE* pipe;
    size_t frameBytes;
};

FrameReader* openFrameReader(const std::string& path, int width, int height) {
    std::FILE* p = popen(("ffmpeg -v error -i '" + path + "' -map 0:v -f rawvideo -pix_fmt rgb24 -").c_str(), "r");
    return p ? new FrameReader{p, static_cast<size_t>(width) * height * 3} : nullptr;
}

bool nextFrame(FrameReader* reader, std::vector<uint8_t>* rgb) {
    rgb->resize(reader->frameBytes);
    return std::fread(rgb->data(), 1, rgb->size(), reader->pipe) == rgb->size();
}

void closeFrameReader(FrameReader* reader) {
    pclose(reader->pipe);
    delete reader;
}

std::vector<std::string> frameChecksums(const std::string& path) {
    std::istringstream text(
        capture("ffmpeg -v error -i '" + path + "' -map 0:v -pix_fmt rgb24 -f framemd5 - 2>/dev/null"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        if (line.rfind('#', 0) != 0) lines.push_back(line);  // past the header's comments
    return lines;
}
