// The Debian package as a user gets it: lintian's verdict, what it holds, what apt-get pulls
// in with it, and, as root, an install that plays from / and a purge that leaves no trace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "real_demo.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {
// `make deb` leaves the packages of this version in the tree's root; the Debian version (from
// debian/changelog) must be the program's own for them to be found.
std::string packageFile(const std::string& name, const std::string& suffix) {
    std::string arch = run("dpkg --print-architecture").text;
    arch.erase(arch.find_last_not_of('\n') + 1);
    return QUORVEX_SOURCE_DIR "/" + name + "_" QUORVEX_VERSION "_" + arch + suffix;
}
const std::string deb = packageFile("quorvex", ".deb");

std::vector<std::string> linesStartingWith(const std::string& text, const std::vector<std::string>& heads) {
    std::vector<std::string> found;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        for (const std::string& head : heads)
            if (line.rfind(head, 0) == 0) found.push_back(line);
    return found;
}

// Every file, directory and link under /usr and /etc.
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
// Whatever fails in between, the machine is not left with the package installed.
struct PurgeAtEnd {
    ~PurgeAtEnd() {
        if (installed()) purge();
    }
};
}  // namespace

// Errors, warnings and informational tags alike: each one is either mended or overridden in
// debian/*.lintian-overrides with its reason.
TEST(Package, LintianFindsNothing) {
    ASSERT_TRUE(fs::exists(deb)) << deb << " is missing: make deb";
    const Output lint = run("lintian --display-info --show-overrides " + packageFile("quorvex", ".changes"));
    EXPECT_EQ(lint.status, 0) << lint.text;
    EXPECT_EQ(linesStartingWith(lint.text, {"E: ", "W: ", "I: "}), std::vector<std::string>{}) << lint.text;
}

TEST(Package, HoldsTheInstallTreeUnderUsrWithValidMetadata) {
    TempDir root;
    ASSERT_EQ(run("dpkg-deb -x " + deb + " " + root.path).status, 0) << deb;
    std::set<std::string> expected = installedFiles("usr/", "games/quorvex", "share/man/man6/quorvex.6.gz");
    expected.insert({"usr/share/doc/quorvex/copyright", "usr/share/doc/quorvex/changelog.gz"});
    EXPECT_EQ(filesBelow(root.path), expected);

    const std::string metainfo = root.file("usr/share/metainfo/org.quorvex.dalmera.metainfo.xml");
    const Output valid = run("appstreamcli validate --no-net --strict --pedantic " + metainfo);
    EXPECT_EQ(valid.status, 0) << valid.text;
    const std::vector<unsigned char> bytes = readFile(metainfo);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("<release version=\"" QUORVEX_VERSION "\""), std::string::npos);
}

// On a system with nothing installed apt-get would bring what playing and recording PNG
// frames need, the libraries SDL opens at run time included; ffmpeg is only suggested.
TEST(Package, AptPullsWhatPlayingNeedsOntoAnEmptySystem) {
    const Output plan = run("apt-get -s -o Dir::State::status=/dev/null install " + deb);
    ASSERT_EQ(plan.status, 0) << plan.text;
    for (const char* package : {"quorvex", "libsdl2-2.0-0", "libgl1", "libgl1-mesa-dri", "libegl1", "libegl-mesa0",
                                "libmpg123-0", "libjpeg62-turbo", "libminizip1", "libglu1-mesa", "xfonts-base"})
        EXPECT_EQ(linesStartingWith(plan.text, {std::string("Inst ") + package + " "}).size(), 1u) << package;
    EXPECT_EQ(linesStartingWith(plan.text, {"Inst ffmpeg "}), std::vector<std::string>{});
}

TEST(Package, InstallsPlaysFromTheRootDirectoryAndPurgesWithoutATrace) {
    if (geteuid() != 0) GTEST_SKIP() << "apt-get install needs root";
    ASSERT_TRUE(fs::exists(deb)) << deb << " is missing: make deb";
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
    std::vector<std::string> left;
    const std::set<std::string> after = systemTree();
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(left));
    EXPECT_EQ(left, std::vector<std::string>{});
}
