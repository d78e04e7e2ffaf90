// The data-path resolver: every spelling of the data directory finds the one on disk,
// components are matched without regard to case, an exact spelling wins, and the data
// directory is chosen once from the working directory, the program's and the installed one.
#include "assets/data_path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/portable.h"
#include "support/temp_dir.h"

namespace {
class DataPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        makeTestDirectories(dir.file("data/Sub"));
        writeFile(dir.file("data/textures.zip"), {'z'});
        writeFile(dir.file("data/font.bmp"), {'f'});
        writeFile(dir.file("data/Sub/Deep.TXT"), {'d'});
    }
    void TearDown() override { useDataDirectory(DataDirectorySearch()); }
    TempDir dir;
    ScopedChdir inside{dir.path};
};

TEST_F(DataPathTest, AllSpellingsOfTheDataDirectoryFindIt) {
    EXPECT_EQ("data/textures.zip", resolveDataPath("DATA\\textures.zip"));
    EXPECT_EQ("data/font.bmp", resolveDataPath("Data/font.bmp"));
    EXPECT_EQ("data/font.bmp", resolveDataPath("data//FONT.BMP"));
    EXPECT_EQ("data/Sub/Deep.TXT", resolveDataPath("DATA\\sub/deep.txt"));
    EXPECT_EQ("data/Sub", resolveDataPath("data/sub/"));
    EXPECT_EQ("data/Sub/../font.bmp", resolveDataPath("data/sub/../Font.bmp"));
    EXPECT_EQ(dir.path + "/data/font.bmp", resolveDataPath((dir.path + "/DATA/Font.bmp").c_str()));
}

TEST_F(DataPathTest, ExactSpellingWinsAndMissingPathsResolveToNothing) {
#if !defined(_WIN32)  // a file system that ignores case cannot hold both names
    writeFile(dir.file("data/FONT.bmp"), {'F'});
    EXPECT_EQ("data/FONT.bmp", resolveDataPath("data/FONT.bmp"));
    EXPECT_EQ("data/FONT.bmp", resolveDataPath("data/Font.bmp"));  // the first of the two by name
#else
    EXPECT_EQ("data/font.bmp", resolveDataPath("data/FONT.bmp"));  // the name as the directory holds it
#endif
    EXPECT_EQ("", resolveDataPath("data/muhsik.mp3"));
    EXPECT_EQ("", resolveDataPath("nodata/font.bmp"));
    EXPECT_EQ("", resolveDataPath(""));
    EXPECT_EQ("", resolveDataPath(nullptr));

    std::FILE* file = openDataFile("DATA\\sub\\DEEP.txt", "rb");
    ASSERT_NE(nullptr, file);
    EXPECT_EQ('d', std::fgetc(file));
    std::fclose(file);
    EXPECT_EQ(nullptr, openDataFile("data/missing.bmp", "rb"));
}

// Once chosen, the directory serves every spelling from any working directory; paths that
// do not start with the data directory still resolve against the working directory.
TEST_F(DataPathTest, ChosenDirectoryServesEveryMediaPathFromAnywhere) {
    const DataDirectorySearch& chosen = chooseDataDirectory();
    ASSERT_FALSE(chosen.places.empty());
    EXPECT_EQ(chosen.places[0], dir.path + "/data");
    EXPECT_EQ(chosen.directory, dir.path + "/data");  // the working directory's comes first

    TempDir elsewhere;
    writeFile(elsewhere.file("loose.txt"), {'l'});
    ScopedChdir away{elsewhere.path};
    EXPECT_EQ(dir.path + "/data/Sub/Deep.TXT", resolveDataPath("DATA\\sub/deep.txt"));
    EXPECT_EQ(dir.path + "/data/font.bmp", resolveDataPath("Data/font.bmp"));
    EXPECT_EQ("loose.txt", resolveDataPath("LOOSE.txt"));
    EXPECT_EQ("", resolveDataPath("data/muhsik.mp3"));
}

TEST_F(DataPathTest, NoDirectoryFoundMeansNoMediaEvenWhereTheWorkingDirectoryHasThem) {
    DataDirectorySearch none;
    none.places = {"/nowhere/data", "/nor/here/data"};
    useDataDirectory(none);
    EXPECT_EQ("", resolveDataPath("DATA\\textures.zip"));
    EXPECT_EQ(nullptr, openDataFile("Data/font.bmp", "rb"));
    EXPECT_EQ("no media found (looked in /nowhere/data, /nor/here/data)", missingMediaText(none));
    EXPECT_EQ(6u, missingMediaFiles(none).size());
    EXPECT_EQ("", missingMediaText(DataDirectorySearch()));  // looked nowhere: nothing to say
}

// The directory holds the archive and the font (and the soundtrack in capitals): the rest is named.
TEST_F(DataPathTest, IncompleteDirectoryNamesTheFilesItLacks) {
    writeFile(dir.file("data/MUHSIK.MP3"), {'m'});
    const DataDirectorySearch& chosen = chooseDataDirectory();
    EXPECT_EQ((std::vector<std::string>{"fontmask.bmp", "rymd.bmp", "particle.bmp"}), missingMediaFiles(chosen));
    EXPECT_EQ(dir.path + "/data lacks fontmask.bmp, rymd.bmp, particle.bmp", missingMediaText(chosen));
    for (const char* name : {"fontmask.bmp", "rymd.bmp", "particle.bmp"}) writeFile(dir.file("data/") + name, {'b'});
    EXPECT_EQ("", missingMediaText(chosen));
}

#if defined(_WIN32)
// A Windows install keeps data/ beside the program: that place and the install's are one.
TEST(DataDirectoryPlaces, WorkingDirectoryThenBesideTheProgramThenTheConfiguredOne) {
    EXPECT_EQ(dataDirectoryPlaces("/home/u/demo", "/opt/q/"),
              (std::vector<std::string>{"/home/u/demo/data", "/opt/q/data", installedDataDirectory()}));
    const std::string prefix = std::filesystem::u8path(installedDataDirectory()).parent_path().generic_u8string();
    EXPECT_EQ(dataDirectoryPlaces("C:\\w", prefix + "\\"),
              (std::vector<std::string>{"C:/w/data", installedDataDirectory()}));
#else
TEST(DataDirectoryPlaces, WorkingDirectoryThenBesideTheProgramThenItsInstallThenTheConfiguredOne) {
    EXPECT_EQ(dataDirectoryPlaces("/home/u/demo", "/opt/q/bin/"),
              (std::vector<std::string>{"/home/u/demo/data", "/opt/q/bin/data", "/opt/q/share/quorvex/data",
                                        installedDataDirectory()}));
    // A program in the configured prefix names that install once; an unknown one leaves its two out.
    const std::string prefix =
        std::filesystem::u8path(installedDataDirectory()).parent_path().parent_path().parent_path().u8string();
    EXPECT_EQ(dataDirectoryPlaces("/w", prefix + "/bin"),
              (std::vector<std::string>{"/w/data", prefix + "/bin/data", installedDataDirectory()}));
#endif
    EXPECT_EQ(dataDirectoryPlaces("/w", ""), (std::vector<std::string>{"/w/data", installedDataDirectory()}));
}

// Someone's own Data/ of photos, or an empty data/, is no media directory: it is passed over.
TEST(DataDirectoryPlaces, FirstDirectoryWithMediaIsTakenWhateverTheCaseOfItsName) {
    TempDir dir;
    for (const char* sub : {"a/DATA", "c/data", "b", "p/Data/photos", "e/data"}) makeTestDirectories(dir.file(sub));
    writeFile(dir.file("b/data"), {'x'});  // a file is no data directory
    writeFile(dir.file("p/Data/holiday.jpg"), {'j'});
    writeFile(dir.file("a/DATA/Muhsik.MP3"), {'m'});  // one media file is enough
    writeFile(dir.file("c/data/textures.zip"), {'z'});
    std::vector<std::string> passedOver;
    EXPECT_EQ(dir.file("a/DATA"), firstDataDirectory({dir.file("none/data"), dir.file("b/data"), dir.file("p/data"),
                                                      dir.file("e/data"), dir.file("a/data"), dir.file("c/data")},
                                                     &passedOver));
    EXPECT_EQ(passedOver, (std::vector<std::string>{dir.file("p/Data"), dir.file("e/data")}));
    EXPECT_EQ("", firstDataDirectory({dir.file("none/data"), dir.file("b/data"), dir.file("p/data")}));
    EXPECT_EQ("", firstDataDirectory({}));
    DataDirectorySearch search;
    search.passedOver = {dir.file("p/Data")};
    EXPECT_EQ(passedOverLines(search),
              std::vector<std::string>{dir.file("p/Data") + " holds none of the demo's media files; passed over"});
}
}  // namespace
