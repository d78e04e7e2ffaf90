// The command line: what is accepted, what is refused with a reason, and the exit status of
// the informational options.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "shell/options.h"
#include "support/portable.h"
#include "support/temp_dir.h"

namespace {
struct Parsed {
    int ok;
    ProgramOptions options;
    std::string error;
};

Parsed parse(std::vector<std::string> words) {
    words.insert(words.begin(), "quorvex");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    Parsed result;
    result.ok = parseOptions(static_cast<int>(argv.size()), argv.data(), &result.options, &result.error);
    return result;
}

TEST(Options, NoArgumentsMeanFullscreenLiveAndUncapped) {
    const Parsed p = parse({});
    ASSERT_EQ(p.ok, 1);
    EXPECT_EQ(p.options.windowed, 0);
    EXPECT_EQ(p.options.fps, 0);
    EXPECT_TRUE(p.options.recordPath.empty());
}

TEST(Options, AcceptsEachOptionInAnyOrder) {
    const Parsed p = parse({"--fps", "30", "--allow-missing-media", "--windowed", "--record", "out.mkv"});
    ASSERT_EQ(p.ok, 1) << p.error;
    EXPECT_EQ(p.options.windowed, 1);
    EXPECT_EQ(p.options.fps, 30);
    EXPECT_EQ(p.options.recordPath, "out.mkv");
    EXPECT_EQ(p.options.allowMissingMedia, 1);
    EXPECT_EQ(parse({}).options.allowMissingMedia, 0);
}

TEST(Options, RefusesBadFrameRatesMissingValuesAndUnknownWords) {
    for (const auto& words : std::vector<std::vector<std::string>>{
             {"--fps"}, {"--fps", "0"}, {"--fps", "-5"}, {"--fps", "12x"}, {"--fps", ""},
             {"--fps", "99999999999"}, {"--record"}, {"--record", ""}, {"--fullscreen"}, {"windowed"}}) {
        const Parsed p = parse(words);
        EXPECT_EQ(p.ok, 0) << words[0] << (words.size() > 1 ? " " + words[1] : "");
        EXPECT_FALSE(p.error.empty());
    }
}

// A refusal says what would be taken: the range of a number, not just its kind, or the name
// that --record lacks.
TEST(Options, RefusalsSayWhatWouldBeTaken) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--fps", "1001"}, "from 1 to 1000"},
        {{"--fps", "0"}, "from 1 to 1000"},
        {{"--record", "out.mkv", "--fps", "241"}, "from 1 to 240"},
        {{"--fps", "241", "--record", "out.mkv"}, "from 1 to 240"},
        {{"--size", "99999999x480"}, "out of range"},
        {{"--size", "640x99999999999999999999"}, "out of range"},
        {{"--record", "--windowed"}, "./--windowed"},  // the name left out, not a directory to make
        {{"--record", "-h", "--fps", "2"}, "./-h"},
    };
    for (const auto& c : cases) {
        const Parsed p = parse(c.first);
        EXPECT_EQ(p.ok, 0) << c.second;
        EXPECT_NE(p.error.find(c.second), std::string::npos) << p.error;
    }
    EXPECT_EQ(parse({"--fps", "1000"}).options.fps, 1000) << "the live cap's top";
    EXPECT_EQ(parse({"--record", "out.mkv", "--fps", "240"}).ok, 1);
    EXPECT_EQ(parse({"--record", "./--windowed"}).options.recordPath, "./--windowed");
}

TEST(Options, SizeTakesWidthByHeightWithinTheSidesWeDraw) {
    for (const auto& good : std::vector<std::pair<std::string, std::pair<int, int>>>{
             {"1920x1080", {1920, 1080}}, {"320x240", {320, 240}}, {"8192x8192", {8192, 8192}},
             {"1280X960", {1280, 960}}, {"0640x0480", {640, 480}}}) {
        const Parsed p = parse({"--size", good.first});
        ASSERT_EQ(p.ok, 1) << good.first << ": " << p.error;
        EXPECT_EQ(p.options.width, good.second.first) << good.first;
        EXPECT_EQ(p.options.height, good.second.second) << good.first;
    }
    EXPECT_EQ(parse({}).options.width, 0) << "no --size, no frame of our own";
    for (const std::string bad : {"0x0", "100x100", "99999x99999", "12x", "x", "abc", "319x240", "320x239",
                                  "8193x600", "640x8193", "640x480x", "640*480", " 640x480", "640x 480",
                                  "+640x480", "-640x480", "640x480 ", "", "4294967936x480"}) {
        const Parsed p = parse({"--size", bad});
        EXPECT_EQ(p.ok, 0) << "'" << bad << "'";
        EXPECT_EQ(p.error.find('\n'), std::string::npos);
        EXPECT_EQ(p.error.rfind("--size", 0), 0u) << p.error;
    }
    EXPECT_EQ(parse({"--size"}).ok, 0);
}

TEST(Options, HelpVersionAndErrorsEndWithoutOpeningAWindow) {
    std::string help = "--help", version = "--version", bad = "--bogus", play = "--windowed", name = "quorvex";
    char* helpArgv[] = {&name[0], &help[0], nullptr};
    char* versionArgv[] = {&name[0], &version[0], nullptr};
    char* badArgv[] = {&name[0], &bad[0], nullptr};
    char* playArgv[] = {&name[0], &play[0], nullptr};
    ProgramOptions options[4];
    testing::internal::CaptureStdout();
    EXPECT_EQ(readCommandLine(2, helpArgv, &options[0]), 0);
    const std::string helpText = testing::internal::GetCapturedStdout();
    for (const char* words : {"--windowed", "--allow-missing-media", "data/ below the working directory", "-h, --help",
                              "1 to 1000", "1 to 240 (default 60)"})
        EXPECT_NE(helpText.find(words), std::string::npos) << words;
    // Run from a home directory whose Data/ holds photos: that one is passed over, and said so.
    TempDir home;
    makeTestDirectories(home.file("Data/photos"));
    ScopedChdir inHome(home.path);
    testing::internal::CaptureStdout();
    EXPECT_EQ(readCommandLine(2, versionArgv, &options[1]), 0);
    const std::string versionText = testing::internal::GetCapturedStdout();
    EXPECT_NE(versionText.find(home.file("Data") + " holds none of the demo's media files; passed over\n"),
              std::string::npos) << versionText;
    EXPECT_EQ(versionText.rfind("quorvex ", 0), 0u);
    EXPECT_NE(versionText.find("\ndata directory: "), std::string::npos) << versionText;
    EXPECT_EQ(readCommandLine(2, badArgv, &options[2]), 2);
#if defined(__linux__)  // a full device to write to
    for (char** argv : {helpArgv, versionArgv}) {
        std::fflush(stdout);
        const int saved = dup(1);
        const int full = open("/dev/full", O_WRONLY);
        dup2(full, 1);
        testing::internal::CaptureStderr();
        EXPECT_EQ(readCommandLine(2, argv, &options[1]), 1) << argv[1] << " > /dev/full";
        EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot write to standard output"), std::string::npos);
        dup2(saved, 1);
        close(full);
        close(saved);
        std::clearerr(stdout);
    }
#endif
    EXPECT_EQ(readCommandLine(2, playArgv, &options[3]), -1);
    EXPECT_EQ(options[3].windowed, 1);
}
}  // namespace
