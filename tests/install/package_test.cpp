// The Debian package as a user gets it: lintian's verdict, what it holds, what apt-get pulls
// in with it, and, as root, an install that plays from / and a purge that leaves no trace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "real_demo.h"

namespace {
// `make deb` leaves them in the tree's root, named by the Debian version (debian/changelog),
// which must be the program's own.
std::string packageFile(const std::string& suffix, const std::string& name = "quorvex") {
    std::string arch = run("dpkg --print-architecture").text;
    arch.erase(arch.find_last_not_of('\n') + 1);
    return QUORVEX_SOURCE_DIR "/" + name + "_" QUORVEX_VERSION "_" + arch + suffix;
}
const std::string deb = packageFile(".deb");

// Every path under /usr and /etc, sorted, one per line: the command that lists them.
const std::string systemTree = "find /usr /etc 2>/dev/null | LC_ALL=C sort";

bool installed() { return run("dpkg-query -W -f='${Status}' quorvex").text == "install ok installed"; }
Output purge() { return run("DEBIAN_FRONTEND=noninteractive apt-get purge -y -q quorvex"); }
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
    // Without configuration files `apt remove` takes everything back, as docs/INSTALL.md says.
    EXPECT_NE(run("dpkg-deb --info " + deb + " conffiles").status, 0) << "the package has conffiles";
    const std::string metainfo = root.file("usr/share/metainfo/org.quorvex.dalmera.metainfo.xml");
    const Output valid = run("appstreamcli validate --no-net --strict --pedantic " + metainfo);
    EXPECT_EQ(valid.status, 0) << valid.text;
    EXPECT_EQ(run("grep -c '<release version=\"" QUORVEX_VERSION "\"' " + metainfo).text, "1\n");

    // The debugging symbols name each source from the tree's root however the package was built:
    // a path rewritten on the way (a compiler launcher's) changes the build ID, so the bytes.
    TempDir symbols;
    ASSERT_EQ(run("dpkg-deb -x " + packageFile(".deb", "quorvex-dbgsym") + " " + symbols.path).status, 0);
    const Output sources =
        run("find " + symbols.path + " -name '*.debug' -exec readelf --debug-dump=info {} + 2>/dev/null | " +
            "sed -n 's/.*DW_AT_name .*: \\(.*\\.cpp\\)$/\\1/p'");
    std::istringstream names(sources.text);
    std::string elsewhere;
    int count = 0;
    for (std::string name; std::getline(names, name); ++count)
        if (name.rfind("./src/", 0) != 0) elsewhere += name + "\n";
    EXPECT_GT(count, 40) << sources.text;
    EXPECT_EQ(elsewhere, "");
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
    TempDir lists;
    const std::string before = lists.file("before");
    ASSERT_EQ(run(systemTree + " > " + before).status, 0);
    PurgeAtEnd guard;

    const Output install = run("DEBIAN_FRONTEND=noninteractive apt-get install -y -q " + deb);
    ASSERT_EQ(install.status, 0) << install.text;
    const Output version = run("cd / && /usr/games/quorvex --version");
    EXPECT_EQ(version.text, "quorvex " QUORVEX_VERSION "\ndata directory: /usr/share/quorvex/data\n");
    TempDir out;
    expectRealDemo(recordStart("/usr/games/quorvex", "/", out.file("frames"), 2), out.file("frames"));
    EXPECT_EQ(run("man -w quorvex").text, "/usr/share/man/man6/quorvex.6.gz\n");

    const Output purged = purge();
    EXPECT_EQ(purged.status, 0) << purged.text;
    EXPECT_FALSE(installed());
    EXPECT_EQ(run(systemTree + " | LC_ALL=C comm -13 " + before + " -").text, "") << "left after the purge";
}
