// Helpers shared by the install and package tests: shell commands, file trees, and short
// recordings that must show the real pictures and sound.
#include "real_demo.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "assets/media_manifest.h"

namespace fs = std::filesystem;

namespace {
std::vector<std::string> mediaFileNames() {
    std::vector<std::string> names = {textureArchiveName, mediaFileName(soundtrackPath)};
    for (const MediaPicture& picture : bmpPictures) names.push_back(mediaFileName(picture.name));
    return names;
}
}  // namespace

const std::vector<std::string> mediaFiles = mediaFileNames();
const std::vector<int> iconSizes = {16, 32, 48, 64, 128, 256};

std::set<std::string> installedFiles(const std::string& prefix, const std::string& program, const std::string& manPage) {
    std::set<std::string> files = {program, manPage, "share/applications/quorvex.desktop",
                                   "share/metainfo/org.quorvex.dalmera.metainfo.xml"};
    for (const std::string& name : mediaFiles) files.insert("share/quorvex/data/" + name);
    for (int size : iconSizes) {
        const std::string square = std::to_string(size) + "x" + std::to_string(size);
        files.insert("share/icons/hicolor/" + square + "/apps/quorvex.png");
    }
    std::set<std::string> led;
    for (const std::string& file : files) led.insert(prefix + file);
    return led;
}

Output run(const std::string& command) {
    Output out;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.text.append(buffer, n);
    const int status = pclose(pipe);
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

std::set<std::string> filesBelow(const std::string& root) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (!entry.is_directory()) files.insert(fs::relative(entry.path(), root).string());
    return files;
}

int distinctColours(const std::string& png) {
    int width = 0, height = 0;
    const std::vector<uint8_t> rgb = readPngRgb(png, &width, &height);
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) colours.insert(uint32_t(rgb[i]) << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
    return static_cast<int>(colours.size());
}

double loudness(const WavData& wav, int from, int to) {
    const size_t begin = size_t(from) * wav.rate * wav.channels, end = size_t(to) * wav.rate * wav.channels;
    if (wav.rate <= 0 || end > wav.samples.size() || begin >= end) return -1;
    double sum = 0;
    for (size_t i = begin; i < end; ++i) sum += double(wav.samples[i]) * wav.samples[i];
    return std::sqrt(sum / double(end - begin));
}

RunResult recordStart(const std::string& binary, const std::string& workingDir, const std::string& out, int fps,
                      const std::vector<std::string>& more) {
    std::vector<std::string> args = {"--record", out, "--fps", std::to_string(fps)};
    args.insert(args.end(), more.begin(), more.end());
    RunOptions options;
    options.binary = binary;
    options.workDir = workingDir;
    const std::string sound = out + "/soundtrack.wav";
    options.interruptWhen = [sound](const std::string&) { return fileLargerThan(sound, 1 << 20); };
    return runQuorvex(args, options);
}

void expectRealDemo(const RunResult& run, const std::string& out) {
    EXPECT_EQ(run.status, 130) << run.stderrText;
    EXPECT_GT(distinctColours(out + "/frame_000002.png"), 1000) << out;
    WavData wav;
    ASSERT_TRUE(readWav(out + "/soundtrack.wav", &wav)) << out;
    EXPECT_GT(loudness(wav, 0, 2), 500) << out;
}
