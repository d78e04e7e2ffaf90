// The data-path resolver: every spelling of the data directory finds the one on disk,
// components are matched without regard to case, and an exact spelling wins.
#include "assets/data_path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/temp_dir.h"

namespace {
class DataPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, system(("mkdir -p " + dir.file("data/Sub")).c_str()));
        writeFile(dir.file("data/textures.zip"), {'z'});
        writeFile(dir.file("data/font.bmp"), {'f'});
        writeFile(dir.file("data/Sub/Deep.TXT"), {'d'});
    }
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
    writeFile(dir.file("data/FONT.bmp"), {'F'});
    EXPECT_EQ("data/FONT.bmp", resolveDataPath("data/FONT.bmp"));
    EXPECT_EQ("data/FONT.bmp", resolveDataPath("data/Font.bmp"));  // the first of the two by name
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
}  // namespace
