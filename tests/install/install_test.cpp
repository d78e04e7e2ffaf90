// The install and running from anywhere: what `cmake --install` puts in a prefix and takes
// back, and recordings that show the real pictures and sound from any working directory.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "assets/media_manifest.h"
#include "real_demo.h"
#include "recording_files.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {
// Installs the build into `prefix`. The component keeps the manifest apart from the one a
// real `make install` leaves behind for `make uninstall`.
const char manifest[] = QUORVEX_BUILD_DIR "/install_manifest_Unspecified.txt";
void install(const std::string& prefix) {
    const Output out = run("cmake --install " QUORVEX_BUILD_DIR " --component Unspecified --prefix " + prefix);
    ASSERT_EQ(out.status, 0) << out.text;
}

RunOptions programIn(const std::string& binary, const std::string& workingDir) {
    RunOptions options;
    options.binary = binary;
    options.workDir = workingDir;
    return options;
}

std::string copyProgramTo(const std::string& dir) {
    fs::create_directories(dir);
    const std::string copy = dir + "/quorvex";
    fs::copy_file(QUORVEX_BINARY, copy);
    return copy;
}
}  // namespace

TEST(Install, PutsExactlyTheProgramMediaEntryIconsAndManualPageInPlace) {
    TempDir prefix;
    install(prefix.path);
    EXPECT_EQ(filesBelow(prefix.path), installedFiles("", "bin/quorvex", "share/man/man6/quorvex.6"));

    const std::string entry = prefix.file("share/applications/quorvex.desktop");
    const Output validated = run("desktop-file-validate " + entry);
    EXPECT_EQ(validated.status, 0) << validated.text;
    EXPECT_EQ(validated.text, "");
    const std::vector<unsigned char> bytes = readFile(entry);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("\nExec=" + prefix.file("bin/quorvex") + "\n"),
              std::string::npos);

    // Icons: square RGBA pictures of their size, see-through in the corners, solid in the middle.
    for (int size : iconSizes) {
        const std::string square = std::to_string(size) + "x" + std::to_string(size);
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        const std::string path = prefix.file("share/icons/hicolor/" + square + "/apps/quorvex.png");
        ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << path;
        EXPECT_EQ(image.format, static_cast<png_uint_32>(PNG_FORMAT_RGBA)) << square;
        EXPECT_EQ(image.width, static_cast<png_uint_32>(size));
        EXPECT_EQ(image.height, static_cast<png_uint_32>(size));
        std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) << path;
        EXPECT_EQ(rgba[3], 0) << square;  // top left corner
        EXPECT_EQ(rgba[(size_t(size / 2) * size + size / 2) * 4 + 3], 255) << square;
    }
}

// The manual page is the --help text: every option that --help lists is in the rendered page.
TEST(Install, ManualPageRendersAndCarriesEveryOptionOfHelp) {
    TempDir prefix;
    install(prefix.path);
    const Output page = run("MANWIDTH=100 man -l " + prefix.file("share/man/man6/quorvex.6"));
    ASSERT_EQ(page.status, 0) << page.text;
    const Output help = run(prefix.file("bin/quorvex") + " --help");
    ASSERT_EQ(help.status, 0);
    int options = 0;
    for (size_t at = help.text.find("  --"); at != std::string::npos; at = help.text.find("  --", at + 1)) {
        const std::string option = help.text.substr(at + 2, help.text.find_first_of(" \n", at + 2) - at - 2);
        EXPECT_NE(page.text.find(option), std::string::npos) << option;
        ++options;
    }
    EXPECT_GE(options, 6);
    for (const char* words : {"NAME", "SYNOPSIS", "OPTIONS", "data/ beside the program", "Escape"})
        EXPECT_NE(page.text.find(words), std::string::npos) << words;
}

TEST(Install, UninstallTakesBackEveryFileAndTheProgramsOwnDirectories) {
    TempDir prefix;
    install(prefix.path);
    const Output out = run("cmake -DMANIFEST=" + std::string(manifest) + " -P " QUORVEX_SOURCE_DIR "/dist/uninstall.cmake");
    ASSERT_EQ(out.status, 0) << out.text;
    EXPECT_EQ(filesBelow(prefix.path), std::set<std::string>{});
    EXPECT_FALSE(fs::exists(prefix.file("share/quorvex")));
    EXPECT_TRUE(fs::exists(prefix.file("share/applications")));  // shared with other programs: left
}

TEST(RunFromAnywhere, InstalledCopyFindsItsMediaFromItsOwnDirectory) {
    TempDir prefix, out;
    install(prefix.path);
    const std::string program = prefix.file("bin/quorvex");
    const Output version = run("cd " + prefix.file("bin") + " && " + program + " --version");
    EXPECT_NE(version.text.find("data directory: " + prefix.file("share/quorvex/data") + "\n"), std::string::npos)
        << version.text;
    expectRealDemo(recordStart(program, prefix.file("bin"), out.file("frames")), out.file("frames"));
}

TEST(RunFromAnywhere, BuildTreeProgramFindsTheMediaBesideIt) {
    TempDir elsewhere;
    expectRealDemo(recordStart(QUORVEX_BINARY, elsewhere.path, elsewhere.file("frames")), elsewhere.file("frames"));
}

// The working directory's data/ wins over the one beside the program: its soundtrack, cut
// after about two seconds, is the one heard.
TEST(RunFromAnywhere, DataBelowTheWorkingDirectoryWins) {
    TempDir dir;
    fs::create_directories(dir.file("Data"));
    for (const std::string& name : mediaFiles)
        fs::copy_file(buildDir() + "/data/" + name, dir.file("Data/" + name));
    fs::resize_file(dir.file("Data/muhsik.mp3"), 40000);
    const RunResult recorded = recordStart(QUORVEX_BINARY, dir.path, dir.file("frames"));
    expectRealDemo(recorded, dir.file("frames"));
    WavData wav;
    ASSERT_TRUE(readWav(dir.file("frames/soundtrack.wav"), &wav));
    EXPECT_EQ(loudness(wav, 3, 5), 0.0);
}

TEST(RunFromAnywhere, NoMediaAnywhereSaysWhereItLookedAndRecordingNeedsConsent) {
    TempDir tree;
    const std::string program = copyProgramTo(tree.file("bin"));
    const Output version = run(program + " --version");
    if (version.text.find("data directory: none found") == std::string::npos)
        GTEST_SKIP() << "media are installed on this machine: " << version.text;

    const RunResult refused = runQuorvex({"--record", tree.file("frames")}, programIn(program, tree.path));
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(std::count(refused.stderrText.begin(), refused.stderrText.end(), '\n'), 1) << refused.stderrText;
    for (const char* place : {"/data", "/bin/data", "/share/quorvex/data"})
        EXPECT_NE(refused.stderrText.find(tree.path + place), std::string::npos) << place << ": " << refused.stderrText;
    EXPECT_FALSE(fs::exists(tree.file("frames")));

    const RunResult allowed = recordStart(program, tree.path, tree.file("frames"), 1, {"--allow-missing-media"});
    EXPECT_EQ(allowed.status, 130) << allowed.stderrText;
    EXPECT_EQ(allowed.stderrText.rfind("quorvex: no media found (looked in " + tree.path + "/data, ", 0), 0u)
        << allowed.stderrText;
    EXPECT_LT(distinctColours(tree.file("frames/frame_000002.png")), 16);

    // A data directory of one's own that lacks files is named with what it lacks.
    fs::create_directories(tree.file("data"));
    fs::copy_file(buildDir() + "/data/" + textureArchiveName, tree.file("data/") + textureArchiveName);
    const RunResult incomplete = runQuorvex({"--record", tree.file("more")}, programIn(program, tree.path));
    EXPECT_EQ(incomplete.status, 2);
    EXPECT_EQ(incomplete.stderrText.rfind("quorvex: " + tree.path + "/data lacks font.bmp, ", 0), 0u)
        << incomplete.stderrText;
    EXPECT_FALSE(fs::exists(tree.file("more")));
}
