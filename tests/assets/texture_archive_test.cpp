// The texture archive on real zip files: lookup rules, positioned reads, damaged and
// missing archives, and the name-length limits.
#include "assets/texture_archive.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "asset_fixtures.h"
#include "platform/process.h"
#include "support/portable.h"
#include "support/temp_dir.h"

namespace {
Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string readAll(TextureArchive* archive, const char* name, int* size = nullptr) {
    unsigned char* bytes = reinterpret_cast<unsigned char*>(0x1);  // must be replaced or left alone
    const int n = readArchiveEntry(archive, name, &bytes);
    if (size) *size = n;
    if (n <= 0) return bytes == reinterpret_cast<unsigned char*>(0x1) ? "<untouched>" : bytes ? "<buffer>" : "<null>";
    std::string s(reinterpret_cast<char*>(bytes), static_cast<size_t>(n));
    std::free(bytes);
    return s;
}

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override { makeTestDirectories(dir.file("data")); }
    void TearDown() override { closeTextureArchive(&archive); }
    bool open(const std::vector<ZipItem>& items) {
        if (!writeZip(dir.file("data/textures.zip"), items)) return false;
        return openTextureArchive(&archive, "textures.zip") == 1;
    }
    TempDir dir;
    ScopedChdir inside{dir.path};
    TextureArchive archive{};
};

TEST_F(ArchiveTest, LooksUpWholeNamesWithoutRegardToCase) {
    ASSERT_TRUE(open({{"Rymd.JPG", text("rymd")}, {"pics/chrome.jpg", text("chrome")},
                      {"BGtie.jpg", text("first")}, {"bgtie.JPG", text("second")}}));
    EXPECT_EQ(std::string("DATA\\textures.zip"), archive.path);
    EXPECT_EQ(4u, archiveEntryCount(&archive));
    EXPECT_EQ("rymd", readAll(&archive, "rymd.jpg"));
    EXPECT_EQ("rymd", readAll(&archive, "RYMD.jpg"));
    EXPECT_EQ("<untouched>", readAll(&archive, "chrome.jpg"));  // stored under a directory
    EXPECT_EQ("chrome", readAll(&archive, "PICS/Chrome.jpg"));
    EXPECT_EQ("first", readAll(&archive, "bgtie.jpg"));  // the earlier of two case twins
    EXPECT_EQ("<untouched>", readAll(&archive, "rymd.jp"));
    EXPECT_EQ("<untouched>", readAll(&archive, "rymd.jpgx"));
    EXPECT_EQ("<untouched>", readAll(&archive, ""));
}

TEST_F(ArchiveTest, StoredAndDeflatedEntriesReadTheSameInAnyOrder) {
    Bytes big(200000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<unsigned char>((i * 7919) >> 5);
    ZipItem stored{"stored.bin", big, false};
    ZipItem deflated{"deflated.bin", big, true};
    ASSERT_TRUE(open({stored, {"small.txt", text("small")}, deflated}));
    const std::string expected(big.begin(), big.end());
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(expected, readAll(&archive, "deflated.bin"));
        EXPECT_EQ("small", readAll(&archive, "small.txt"));
        EXPECT_EQ(expected, readAll(&archive, "stored.bin"));
        EXPECT_EQ(expected, readAll(&archive, "deflated.bin"));
    }
    const ArchiveEntry* row = archiveEntryAt(&archive, 2);
    ASSERT_NE(nullptr, row);
    EXPECT_STREQ("deflated.bin", row->name);
    EXPECT_EQ(big.size(), row->uncompressedSize);
    EXPECT_GT(row->localHeaderOffset, 200000u);  // after the stored copy
    EXPECT_GT(row->directoryOffset, row->localHeaderOffset);
    EXPECT_EQ(nullptr, archiveEntryAt(&archive, 3));
}

TEST_F(ArchiveTest, EmptyEntryReadsAsMissingAndWrongCrcStillReads) {
    ZipItem damaged{"crc.jpg", text("content with a bad checksum"), false, true};
    ASSERT_TRUE(open({{"empty.jpg", {}}, damaged}));
    int size = -1;
    EXPECT_EQ("<null>", readAll(&archive, "empty.jpg", &size));
    EXPECT_EQ(0, size);
    EXPECT_EQ("content with a bad checksum", readAll(&archive, "crc.jpg"));
}

TEST_F(ArchiveTest, OverlongEntryNameMatchesNothing) {
    const std::string longName(300, 'a');
    ASSERT_TRUE(open({{longName, text("long")}, {"after.jpg", text("after")}}));
    EXPECT_STREQ("", archiveEntryAt(&archive, 0)->name);
    EXPECT_EQ("<untouched>", readAll(&archive, longName.c_str()));
    EXPECT_EQ("<untouched>", readAll(&archive, longName.substr(0, 255).c_str()));
    EXPECT_EQ("<untouched>", readAll(&archive, longName.substr(0, 256).c_str()));
    EXPECT_EQ("after", readAll(&archive, "after.jpg"));  // the rows after it are intact
}

TEST_F(ArchiveTest, FailedOpenOrClosedArchiveReadsNothing) {
    EXPECT_EQ(0, openTextureArchive(&archive, "textures.zip"));  // no file yet
    EXPECT_EQ("<untouched>", readAll(&archive, "3.jpg"));
    closeTextureArchive(&archive);
    closeTextureArchive(&archive);

    writeFile(dir.file("data/textures.zip"), {});  // an empty placeholder
    EXPECT_EQ(0, openTextureArchive(&archive, "textures.zip"));
    writeFile(dir.file("data/textures.zip"), text("PK\x03\x04 but not really a zip archive"));
    EXPECT_EQ(0, openTextureArchive(&archive, "textures.zip"));
    EXPECT_EQ(nullptr, archive.handle);
    EXPECT_EQ(nullptr, archive.entries);

    // A count left over from an earlier open must not make a closed archive readable.
    ASSERT_TRUE(open({{"3.jpg", text("three")}}));
    closeTextureArchive(&archive);
    EXPECT_EQ(1u, archive.entryCount);
    EXPECT_EQ("<untouched>", readAll(&archive, "3.jpg"));
    EXPECT_EQ(nullptr, archiveEntryAt(&archive, 0));
}

// The archive is copied into memory and each entry inflated whole, so both are bounded: an
// archive file past 64 MiB is not opened, an entry past 64 MiB is not read, and only a
// regular file is opened at all (a pipe would wait for ever, a device never ends).
TEST_F(ArchiveTest, OversizedArchivesAndEntriesAndOtherFilesAreNotRead) {
    namespace fs = std::filesystem;
    ASSERT_TRUE(open({{"3.jpg", text("three")}, {"bomb.jpg", Bytes((size_t(64) << 20) + 1, 0)}}));
    EXPECT_EQ("<null>", readAll(&archive, "bomb.jpg"));
    EXPECT_EQ("three", readAll(&archive, "3.jpg"));
    closeTextureArchive(&archive);

    // The same archive behind leading bytes, which zip readers skip: 1 MiB of them is fine,
    // 64 MiB (a sparse hole, no disk used) makes the file too large to copy.
    const std::string zip = dir.file("data/textures.zip");
    ASSERT_TRUE(writeZip(zip, {{"3.jpg", text("three")}}));
    const Bytes archiveBytes = readFile(zip);
    for (uint64_t lead : {uint64_t(1) << 20, uint64_t(64) << 20}) {
        fs::remove(zip);
        writeFile(zip, {});
        fs::resize_file(zip, lead);
        std::FILE* file = std::fopen(zip.c_str(), "ab");
        ASSERT_NE(nullptr, file);
        std::fwrite(archiveBytes.data(), 1, archiveBytes.size(), file);
        std::fclose(file);
        EXPECT_EQ(lead < (uint64_t(64) << 20) ? 1 : 0, openTextureArchive(&archive, "textures.zip")) << lead;
        closeTextureArchive(&archive);
    }

#if !defined(_WIN32)  // devices and pipes in the file system are POSIX's
    fs::remove(zip);
    fs::create_symlink("/dev/zero", zip);
    EXPECT_EQ(0, openTextureArchive(&archive, "textures.zip"));
    fs::remove(zip);
    ASSERT_EQ(0, mkfifo(zip.c_str(), 0600));
    EXPECT_EQ(0, openTextureArchive(&archive, "textures.zip"));
#endif
    EXPECT_LT(platformPeakResidentKb(), 300 * 1024) << "kB at the peak";
}

// Real bad files where the archive should be: each is refused with one line that names the
// file and says what is wrong with it (the demo then goes on without the pictures).
TEST_F(ArchiveTest, DamagedArchivesAreNamedWithWhatIsWrong) {
    SKIP_WITHOUT_STDERR_CAPTURE();
    namespace fs = std::filesystem;
    ASSERT_TRUE(writeZip(dir.file("data/whole.zip"), {{"3.jpg", Bytes(5000, 3)}}));
    const Bytes whole = readFile(dir.file("data/whole.zip"));
    writeFile(dir.file("data/empty.zip"), {});
    writeFile(dir.file("data/garbage.zip"), text("PK\x03\x04 but not really a zip archive"));
    writeFile(dir.file("data/cut.zip"), Bytes(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2)));
    writeFile(dir.file("data/huge.zip"), whole);
    fs::resize_file(dir.file("data/huge.zip"), (uint64_t(64) << 20) + 1);
    fs::create_directory(dir.file("data/folder.zip"));
    std::vector<std::pair<std::string, std::string>> cases = {
        {"empty.zip", "is empty"},
        {"garbage.zip", "is not a zip archive, or is cut short"},
        {"cut.zip", "is not a zip archive, or is cut short"},
        {"huge.zip", "is larger than 64 MiB"},
        {"folder.zip", "is not a regular file"},
    };
#if !defined(_WIN32)  // links to devices, pipes and link loops in the file system are POSIX's
    fs::create_symlink("/dev/zero", dir.file("data/zero.zip"));
    ASSERT_EQ(0, mkfifo(dir.file("data/pipe.zip").c_str(), 0600));
    fs::create_symlink("loop.zip", dir.file("data/loop.zip"));
    fs::create_symlink("nowhere.zip", dir.file("data/dangling.zip"));
    cases.insert(cases.end(), {{"zero.zip", "is not a regular file"},
                               {"pipe.zip", "is not a regular file"},
                               {"loop.zip", "cannot be read: Too many levels of symbolic links"},
                               {"dangling.zip", "is a link to nothing"}});
#endif
    for (const auto& c : cases) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(0, openTextureArchive(&archive, c.first.c_str())) << c.first;
        EXPECT_EQ("quorvex: data/" + c.first + " " + c.second + "; the archive's pictures stay empty\n",
                  ::testing::internal::GetCapturedStderr());
    }
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(0, openTextureArchive(&archive, "absent.zip"));
    EXPECT_EQ("", ::testing::internal::GetCapturedStderr()) << "a missing file was named at start";
}

TEST_F(ArchiveTest, FindsTheDirectoryWhateverItsCaseAndRefusesLongNames) {
    std::filesystem::rename(dir.file("data"), dir.file("Data"));
    ASSERT_TRUE(writeZip(dir.file("Data/TEXTURES.ZIP"), {{"3.jpg", text("three")}}));
    ASSERT_EQ(1, openTextureArchive(&archive, "textures.zip"));
    EXPECT_EQ("three", readAll(&archive, "3.jpg"));
    EXPECT_EQ(0, openTextureArchive(&archive, std::string(251, 'x').c_str()));
}
}  // namespace
