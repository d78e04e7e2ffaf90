// The BMP reader on real files: header forms, colour tables, pixel layouts, run-length
// pixels, refusals and the exact messages under the caption "Error".
#include "assets/bmp_loader.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "asset_fixtures.h"
#include "assets/picture_limits.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "support/portable.h"
#include "support/temp_dir.h"

namespace {
std::vector<std::string> messages;

int recordMessage(const char* caption, const char* text, PlatformButtons buttons, PlatformIcon) {
    messages.push_back(std::string(caption) + "|" + text + (buttons == PLATFORM_BUTTONS_OK ? "|OK" : "|?"));
    return PLATFORM_ANSWER_OK;
}

// `header` and a colour table of `n` entries, entry i = (blue i, green 2i, red 3i), 4 or 3 bytes each.
Bytes withTable(Bytes header, int n, int entryBytes = 4) {
    for (int i = 0; i < n; ++i) {
        header.insert(header.end(), {static_cast<unsigned char>(i), static_cast<unsigned char>(2 * i),
                                     static_cast<unsigned char>(3 * i)});
        if (entryBytes == 4) header.push_back(0);
    }
    return header;
}
// The RGB pixels of the table's entries `indices`, one after another.
Bytes colours(std::initializer_list<int> indices) {
    Bytes rgb;
    for (int i : indices)
        rgb.insert(rgb.end(), {static_cast<unsigned char>(3 * i), static_cast<unsigned char>(2 * i),
                               static_cast<unsigned char>(i)});
    return rgb;
}

class BmpTest : public ::testing::Test {
protected:
    void SetUp() override {
        messages.clear();
        platformSetMessageBoxHook(recordMessage);
        makeTestDirectories(dir.file("data"));
    }
    void TearDown() override { platformSetMessageBoxHook(nullptr); }

    // Writes data/<name> and loads it as "Data/<name>"; the pixels, or empty on null.
    Bytes load(const Bytes& file, int* width = nullptr, int* height = nullptr, const char* name = "pic.bmp") {
        writeFile(dir.file(std::string("data/") + name), file);
        BmpImage* image = loadBmp((std::string("Data/") + name).c_str());
        if (!image) return {};
        if (width) *width = image->width;
        if (height) *height = image->height;
        Bytes pixels(image->pixels, image->pixels + static_cast<size_t>(image->width) * image->height * 3);
        std::free(image->pixels);
        std::free(image);
        return pixels;
    }
    TempDir dir;
    ScopedChdir inside{dir.path};
};

// The file's first stored row is the picture's bottom row and comes out first.
TEST_F(BmpTest, TwentyFourBitRowsComeOutBottomFirstAsRgbWithoutPadding) {
    const Bytes bits = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
    int w = 0, h = 0;
    EXPECT_EQ(Bytes({3, 2, 1, 6, 5, 4, 9, 8, 7, 13, 12, 11, 16, 15, 14, 19, 18, 17}),
              load(bmpFile(longDibHeader(3, 2, 24), bits), &w, &h));
    EXPECT_EQ(3, w);
    EXPECT_EQ(2, h);
    EXPECT_TRUE(messages.empty());
}

TEST_F(BmpTest, IndexedPicturesUseTheirColourTable) {
    const Bytes d = withTable(longDibHeader(2, 1, 8), 256);
    EXPECT_EQ(Bytes({0, 0, 0, 3 * 200 & 255, 144, 200}), load(bmpFile(d, {0, 200, 0, 0})));

    // Colours used 16: a 16-entry table, and pixel bits found through the offset at byte 10.
    const Bytes d16 = withTable(longDibHeader(2, 1, 8, 0, 16), 16);
    EXPECT_EQ(colours({15, 1}), load(bmpFile(d16, {15, 1, 0, 0}, 14 + 40 + 64 + 10)));

    // One and four bits per pixel, most significant first.
    const Bytes d1 = withTable(longDibHeader(3, 1, 1), 2);
    EXPECT_EQ(Bytes({3, 2, 1, 0, 0, 0, 3, 2, 1}), load(bmpFile(d1, {0xA0, 0, 0, 0})));
    const Bytes d4 = withTable(longDibHeader(3, 1, 4), 16);
    EXPECT_EQ(colours({7, 2, 12}), load(bmpFile(d4, {0x72, 0xC0, 0, 0})));
}

TEST_F(BmpTest, ShortHeaderAndHeaderlessFilesMatchTheLongForm) {
    const Bytes longForm = withTable(longDibHeader(3, 2, 4), 16);
    const Bytes shortForm = withTable(shortDibHeader(3, 2, 4), 16, 3);
    const Bytes bits = {0x12, 0x30, 0, 0, 0xFE, 0xD0, 0, 0};
    const Bytes reference = load(bmpFile(longForm, bits));
    ASSERT_EQ(18u, reference.size());
    EXPECT_EQ(reference, load(bmpFile(shortForm, bits)));
    Bytes headerless = shortForm;
    append(headerless, bits);
    EXPECT_EQ(reference, load(headerless));
    headerless = longForm;
    append(headerless, bits);
    EXPECT_EQ(reference, load(headerless));
    EXPECT_TRUE(messages.empty());
}

TEST_F(BmpTest, DirectColourAndBitFieldPixels) {
    // 16-bit without masks is 5-5-5; each channel is widened by repeating its top bits.
    EXPECT_EQ(Bytes({255, 0, 0, 0, 132, 255}), load(bmpFile(longDibHeader(2, 1, 16), {0x00, 0x7C, 0x1F, 0x02})));
    Bytes d565 = longDibHeader(2, 1, 16, 3);
    for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) putLe32(d565, m);
    EXPECT_EQ(Bytes({0, 255, 0, 255, 255, 255}), load(bmpFile(d565, {0xE0, 0x07, 0xFF, 0xFF})));
    // 32-bit: B, G, R, X by default; masks may put the channels anywhere.
    EXPECT_EQ(Bytes({30, 20, 10}), load(bmpFile(longDibHeader(1, 1, 32), {10, 20, 30, 99})));
    Bytes d32 = longDibHeader(1, 1, 32, 3);
    for (uint32_t m : {0x000000FFu, 0x0000FF00u, 0xFF000000u}) putLe32(d32, m);
    EXPECT_EQ(Bytes({10, 20, 40}), load(bmpFile(d32, {10, 20, 30, 40})));
}

TEST_F(BmpTest, RunLengthPixels) {
    const Bytes d8 = withTable(longDibHeader(4, 3, 8, 1), 256);
    // Row 0: run of 3 of colour 5, end of line; row 1: literal 1,2,3 (padded), end of line;
    // jump 2 right and 1 up to row 2, run of 1 of colour 9; end of picture. The rest stays black
    // (entry 0's colour).
    const Bytes rle8 = {3, 5, 0, 0, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 0, 1, 9, 0, 1};
    EXPECT_EQ(colours({5, 5, 5, 0, 1, 2, 3, 0, 0, 0, 9, 0}), load(bmpFile(d8, rle8)));

    // A run of 3 alternating 1 and 2, a literal of 3 nibbles (padded to 16 bits), a run of 1.
    const Bytes rle4 = {3, 0x12, 0, 3, 0x78, 0x90, 1, 0xF0, 0, 1};
    EXPECT_EQ(colours({1, 2, 1, 7, 8, 9, 15}), load(bmpFile(withTable(longDibHeader(7, 1, 4, 2), 16), rle4)));
    // Runs longer than the row are clipped, not wrapped onto the next.
    EXPECT_EQ(colours({3, 3, 0, 0}), load(bmpFile(withTable(longDibHeader(2, 2, 4, 2), 16), {9, 0x33, 0, 1})));
    EXPECT_TRUE(messages.empty());
}

// Run-length data cut anywhere before every pixel is reached is a short file; once the last
// pixel is written, a missing end marker or literal padding costs nothing.
TEST_F(BmpTest, RunLengthDataCutShortIsRefused) {
    struct Case {
        int width, height, bits;
        Bytes stream;
        size_t complete;  // the shortest prefix that reaches the last pixel
    };
    const Case cases[] = {
        // RLE8: a run, end of line, a literal of 4 on the last row, end of picture.
        {4, 2, 8, {4, 5, 0, 0, 0, 4, 1, 2, 3, 4, 0, 1}, 10},
        // RLE8: a jump of one right and one up, then a run of one, end of picture.
        {2, 2, 8, {0, 2, 1, 1, 1, 7, 0, 1}, 6},
        // RLE4: a literal of 5 nibbles in 3 bytes plus a padding byte, end of picture.
        {5, 1, 4, {0, 5, 0x12, 0x34, 0x50, 0, 0, 1}, 5},
        // RLE4: a run on the first row, end of line, a run on the second.
        {3, 2, 4, {3, 0x12, 0, 0, 3, 0x34, 0, 1}, 6},
    };
    for (const Case& c : cases) {
        const Bytes description =
            withTable(longDibHeader(c.width, c.height, c.bits, c.bits == 8 ? 1 : 2), c.bits == 8 ? 256 : 16);
        for (size_t length = 0; length <= c.stream.size(); ++length) {
            messages.clear();
            const Bytes cut(c.stream.begin(), c.stream.begin() + static_cast<long>(length));
            const Bytes pixels = load(bmpFile(description, cut));
            if (length >= c.complete) {
                EXPECT_EQ(static_cast<size_t>(c.width * c.height * 3), pixels.size())
                    << c.bits << "-bit stream cut to " << length << " bytes";
                EXPECT_TRUE(messages.empty());
            } else {
                EXPECT_TRUE(pixels.empty()) << c.bits << "-bit stream cut to " << length << " bytes";
                EXPECT_EQ(std::vector<std::string>({"Error|Image file conversion error.|OK"}), messages);
            }
        }
    }
}

// Whole streams without an end marker that leave pixels unwritten: as short as a cut file.
TEST_F(BmpTest, RunLengthDataWithoutEndMarkerMustReachTheLastPixel) {
    const Bytes description = withTable(longDibHeader(4, 2, 8, 1), 256);
    const Bytes streams[] = {
        {0, 0, 0, 0},           // two ends of line, no pixel at all
        {4, 5, 0, 0},           // the bottom row only
        {4, 5, 0, 0, 3, 6},     // the top row one pixel short
        {0, 2, 1, 5},           // a jump past the picture
    };
    for (const Bytes& stream : streams) EXPECT_TRUE(load(bmpFile(description, stream)).empty());
    EXPECT_EQ(std::vector<std::string>(4, "Error|Image file conversion error.|OK"), messages);
    EXPECT_EQ(24u, load(bmpFile(description, {4, 5, 0, 0, 4, 6})).size()) << "every pixel, no marker";
}

TEST_F(BmpTest, MissingEmptyAndUnknownFilesAndTheirMessages) {
    EXPECT_EQ(nullptr, loadBmp("Data/absent.bmp"));
    EXPECT_EQ(nullptr, loadBmp(nullptr));
    EXPECT_TRUE(messages.empty());

    EXPECT_TRUE(load({}, nullptr, nullptr, "empty.bmp").empty());
    for (uint32_t size : {108u, 124u, 64u}) EXPECT_TRUE(load(bmpFile(longDibHeader(2, 2, 24, 0, 0, size), Bytes(16, 0))).empty());
    // The box names the file as it was found on disk.
    EXPECT_EQ(std::vector<std::string>({"Error|Failed to open DIB file data/empty.bmp.\n|OK",
                                        "Error|Unknown DIB file format.|OK", "Error|Unknown DIB file format.|OK",
                                        "Error|Unknown DIB file format.|OK"}),
              messages);
}

TEST_F(BmpTest, RefusesTopDownAndShortFilesWithoutReadingPastThem) {
    const Bytes bits24(16, 0x40);
    const Bytes indexed = withTable(longDibHeader(2, 2, 8), 256);
    const Bytes header24 = longDibHeader(2, 2, 24);
    Bytes pastTheEnd = bmpFile(header24, bits24);
    pastTheEnd[11] = 0x10;  // bits at 4096 + 54
    const Bytes refused[] = {
        bmpFile(longDibHeader(2, -2, 24), bits24),                          // top-down
        bmpFile(longDibHeader(0, 2, 24), bits24),                           // empty
        bmpFile(longDibHeader(2, 2, 24), Bytes(bits24.begin(), bits24.end() - 3)),  // pixel bits cut
        pastTheEnd,                                                         // offset past the end
        Bytes(indexed.begin(), indexed.begin() + 300),                      // colour table cut
        Bytes({'B', 'M', 0, 0}),                                            // file header cut
        Bytes(header24.begin(), header24.begin() + 20),                    // picture header cut
        bmpFile(longDibHeader(2, 2, 24, 1), bits24),                        // run-length on 24 bits
        bmpFile(longDibHeader(2, 2, 2), bits24),                            // 2 bits per pixel
    };
    ::testing::internal::CaptureStderr();
    int k = 0;
    for (const Bytes& file : refused)
        EXPECT_TRUE(load(file, nullptr, nullptr, ("pic" + std::to_string(k++) + ".bmp").c_str()).empty());
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::vector<std::string>(9, "Error|Image file conversion error.|OK"), messages);
    // Besides the box, one line per file says which one and what is wrong with it.
    EXPECT_EQ(9, std::count(said.begin(), said.end(), '\n')) << said;
    EXPECT_EQ(said.rfind("quorvex: data/pic0.bmp is stored top-down", 0), 0u) << said;
    // The last row may end without its padding.
    EXPECT_EQ(12u, load(bmpFile(longDibHeader(2, 2, 24), Bytes(14, 1))).size());
}

// Only a regular file of at most 64 MiB is read: a device or a pipe would never end and a huge
// file would fill memory. Each is refused with the conversion message, quickly and unread.
TEST_F(BmpTest, EndlessAndHugeFilesAreRefusedUnread) {
    namespace fs = std::filesystem;
    const Bytes small = bmpFile(longDibHeader(2, 2, 24), Bytes(16, 1));
    std::vector<std::string> refused = {"folder.bmp", "huge.bmp"};
#if !defined(_WIN32)  // devices and pipes in the file system are POSIX's
    fs::create_symlink("/dev/zero", dir.file("data/zero.bmp"));
    ASSERT_EQ(0, mkfifo(dir.file("data/pipe.bmp").c_str(), 0600));  // nobody ever writes to it
    refused.insert(refused.begin(), {"zero.bmp", "pipe.bmp"});
#endif
    fs::create_directory(dir.file("data/folder.bmp"));
    writeFile(dir.file("data/huge.bmp"), small);
    fs::resize_file(dir.file("data/huge.bmp"), (uint64_t(64) << 20) + 1);  // sparse: no disk used
    writeFile(dir.file("data/largest.bmp"), small);
    fs::resize_file(dir.file("data/largest.bmp"), uint64_t(64) << 20);

    for (const std::string& name : refused) EXPECT_EQ(nullptr, loadBmp(("Data/" + name).c_str())) << name;
    EXPECT_EQ(std::vector<std::string>(refused.size(), "Error|Image file conversion error.|OK"), messages);
    messages.clear();
    BmpImage* largest = loadBmp("Data/largest.bmp");  // trailing bytes after the bits are fine
    ASSERT_NE(nullptr, largest);
    std::free(largest->pixels);
    std::free(largest);
    EXPECT_TRUE(messages.empty());
    EXPECT_LT(platformPeakResidentKb(), 300 * 1024) << "kB at the peak";
}

TEST_F(BmpTest, PicturesLargerThanATextureAreRefused) {
    setTextureSideLimit(64);
    EXPECT_TRUE(load(bmpFile(withTable(longDibHeader(65, 1, 8), 256), Bytes(68, 0))).empty());
    EXPECT_EQ(64u * 3, load(bmpFile(withTable(longDibHeader(64, 1, 8), 256), Bytes(64, 0))).size());
    setTextureSideLimit(0);
    // 16384 x 4096 fits the side limit, but not 2^25 pixels; the RLE data is tiny.
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(load(bmpFile(withTable(longDibHeader(16384, 4096, 8, 1), 256), {0, 1})).empty());
    const std::string said = ::testing::internal::GetCapturedStderr();
    // As every picture too large for a texture: one line that names it, no box.
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(said.rfind("quorvex: data/pic.bmp is 16384 x 4096 pixels, too large for a texture", 0), 0u) << said;
}

TEST(CountDibColours, TableSizeFromColoursUsedOrBitsPerPixel) {
    EXPECT_EQ(2u, countDibColours(longDibHeader(1, 1, 1).data()));
    EXPECT_EQ(16u, countDibColours(longDibHeader(1, 1, 4).data()));
    EXPECT_EQ(256u, countDibColours(longDibHeader(1, 1, 8).data()));
    EXPECT_EQ(0u, countDibColours(longDibHeader(1, 1, 24).data()));
    EXPECT_EQ(16u, countDibColours(longDibHeader(1, 1, 8, 0, 16).data()));
    EXPECT_EQ(5u, countDibColours(longDibHeader(1, 1, 24, 0, 5).data()));
    EXPECT_EQ(0x2345u, countDibColours(longDibHeader(1, 1, 8, 0, 0x12345).data()));  // a 16-bit count
    EXPECT_EQ(256u, countDibColours(shortDibHeader(1, 1, 8).data()));
    EXPECT_EQ(0u, countDibColours(shortDibHeader(1, 1, 24).data()));
}
}  // namespace
