// The Debian package as a user gets it: lintian's verdict, what it holds, what apt-get pulls
// in with it, and, as root, an install that plays from / and a purge that leaves no trace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "real_demo.h"

namespace fs = std::filesystem;

namespace {
// `make deb` leaves them in the tree's root, named by the Debian version (debian/changelog),
// which must be the program's own.
std::string packageFile(const std::string& suffix) {
    std::string arch = run("dpkg --print-architecture").text;
    arch.erase(arch.find_last_not_of('\n') + 1);
    return QUORVEX_SOURCE_DIR "/quorvex_" QUORVEX_VERSION "_" + arch + suffix;
}
const std::string deb = packageFile(".deb");

std::set<std::string> systemTree() {
    std::set<std::string> paths;
    for (const char* top : {"/usr", "/etc"}) {
        std::error_code error;
        for (fs::recursive_directory_iterator it(top, fs::directory_options::skip_permission_denied, error), end;
             it != end; it.increment(error))
            paths.insert(it->path().string());
    }
    return paths;
}

bool installed() { return run("dpkg-query -W -f='${Status}' quorvex").text == "install ok installed"; }
void purge() {
    const Output out = run("DEBIAN_FRONTEND=noninteractive apt-get purge -y -q quorvex");
    EXPECT_EQ(out.status, 0) << out.text;
}
struct PurgeAtEnd {  // whatever fails, the machine is not left with the package
    ~PurgeAtEnd() {
        if (installed()) purge();
    }
};
}  // namespace

// Informational tags fail too: each one is mended or overridden in
// debian/*.lintian-overrides with its reason.
TEST(Package, IsLintianCleanAndHoldsTheInstallTreeWithValidMetadata) {
    const Output lint = run("lintian --fail-on error,warning,info --display-info " + packageFile(".changes"));
    EXPECT_EQ(lint.status, 0) << lint.text;

    TempDir root;
    ASSERT_EQ(run("dpkg-deb -x " + deb + " " + root.path).status, 0) << deb;
    std::set<std::string> expected = installedFiles("usr/", "games/quorvex", "share/man/man6/quorvex.6.gz");
    expected.insert({"usr/share/doc/quorvex/copyright", "usr/share/doc/quorvex/changelog.gz"});
    EXPECT_EQ(filesBelow(root.path), expected);
    const std::string metainfo = root.file("usr/share/metainfo/org.quorvex.dalmera.metainfo.xml");
    const Output valid = run("appstreamcli validate --no-net --strict --pedantic " + metainfo);
    EXPECT_EQ(valid.status, 0) << valid.text;
    EXPECT_EQ(run("grep -c '<release version=\"" QUORVEX_VERSION "\"' " + metainfo).text, "1\n");
}

// What an empty system would get: what playing and recording PNG frames need, the libraries
// SDL opens at run time included; ffmpeg is only suggested.
TEST(Package, AptPullsWhatPlayingNeedsOntoAnEmptySystem) {
    const Output plan = run("apt-get -s -o Dir::State::status=/dev/null install " + deb);
    ASSERT_EQ(plan.status, 0) << plan.text;
    for (const char* package : {"quorvex", "libsdl2-2.0-0", "libgl1", "libgl1-mesa-dri", "libegl1", "libegl-mesa0",
                                "libmpg123-0", "libjpeg62-turbo", "libminizip1", "libglu1-mesa", "xfonts-base"})
        EXPECT_NE(plan.text.find(std::string("\nInst ") + package + " "), std::string::npos) << package;
    EXPECT_EQ(plan.text.find("\nInst ffmpeg "), std::string::npos);
}

TEST(Package, InstallsPlaysFromTheRootDirectoryAndPurgesWithoutATrace) {
    if (geteuid() != 0) GTEST_SKIP() << "apt-get install needs root";
    if (installed()) purge();  // left by an earlier run that was stopped
    const std::set<std::string> before = systemTree();
    PurgeAtEnd guard;

    const Output install = run("DEBIAN_FRONTEND=noninteractive apt-get install -y -q " + deb);
    ASSERT_EQ(install.status, 0) << install.text;
    const Output version = run("cd / && /usr/games/quorvex --version");
    EXPECT_EQ(version.text, "quorvex " QUORVEX_VERSION "\ndata directory: /usr/share/quorvex/data\n");
    TempDir out;
    expectRealDemo(recordStart("/usr/games/quorvex", "/", out.file("frames"), 2), out.file("frames"));
    EXPECT_EQ(run("man -w quorvex").text, "/usr/share/man/man6/quorvex.6.gz\n");

    purge();
    EXPECT_FALSE(installed());
    const std::set<std::string> after = systemTree();
    std::vector<std::string> left;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(left));
    EXPECT_EQ(left, std::vector<std::string>{});
}
