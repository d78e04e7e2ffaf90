// The generated pictures as the demo reads them: archive names and JPEG sizes, the BMPs
// through the demo's own reader, the font grid and its mask, alignment and orientation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <minizip/unzip.h>

#include "assets/bmp_loader.h"
#include "assets/media_manifest.h"
#include "assets/image.h"
#include "assets/texture_archive.h"
#include "media.h"
#include "support/temp_dir.h"

namespace {

struct Size {
    int width, height;
};

// Archive picture sizes in slot order; they follow the quads the pictures are drawn on.
const Size kArchiveSizes[archiveSlotCount] = {
    {128, 128},  {512, 1024}, {256, 256}, {256, 256}, {256, 256}, {256, 256}, {256, 512}, {256, 512},
    {512, 1024}, {256, 256},  {1024, 512}, {1024, 512}, {512, 512}, {256, 256}, {256, 256}, {1024, 512},
    {512, 128},  {512, 128},  {512, 128}, {512, 128}, {512, 128}, {512, 128}, {1024, 512},
};
// Side of each square BMP picture, in the manifest's order.
const int kBmpSides[bmpPictureCount] = {256, 256, 256, 64};

const char* entryName(TextureSlot slot) { return archivePictures[slot].name; }

// Every file the generator writes next to the soundtrack.
std::vector<std::string> pictureFiles() {
    std::vector<std::string> files = {textureArchiveName};
    for (const MediaPicture& b : bmpPictures) files.push_back(mediaFileName(b.name));
    return files;
}

// A decoded archive picture, released on scope exit.
struct Decoded {
    Image image{};
    ~Decoded() { std::free(image.pixels); }
    int luma(int x, int y) const {
        const unsigned char* p = image.pixels + (size_t(y) * image.width + x) * 3;
        return (p[0] * 299 + p[1] * 587 + p[2] * 114) / 1000;
    }
    const unsigned char* rgb(int x, int y) const { return image.pixels + (size_t(y) * image.width + x) * 3; }
    // Mean luma of rows [y0, y1).
    double rowsLuma(int y0, int y1) const {
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < image.width; ++x) sum += luma(x, y);
        return sum / (double(y1 - y0) * image.width);
    }
};

struct BmpDeleter {
    void operator()(BmpImage* b) const {
        if (b) std::free(b->pixels);
        std::free(b);
    }
};
using BmpPtr = std::unique_ptr<BmpImage, BmpDeleter>;

// The build writes the media with the generator into QUORVEX_MEDIA_DIR before the tests
// run; these tests read that output as the demo would, from the directory above it.
const std::string kMediaDir = QUORVEX_MEDIA_DIR;

class GeneratedPictures : public ::testing::Test {
protected:
    void SetUp() override {
        cwd = std::make_unique<ScopedChdir>(std::filesystem::path(kMediaDir).parent_path().string());
        ASSERT_EQ(openTextureArchive(&archive, textureArchiveName), 1);
    }
    void TearDown() override { closeTextureArchive(&archive); }

    void decode(const char* name, Decoded& out) {
        ASSERT_EQ(loadImage(&out.image, name, &archive), 1) << name;
        ASSERT_NE(out.image.pixels, nullptr) << name;
    }
    std::vector<unsigned char> entryBytes(const char* name) {
        unsigned char* buffer = nullptr;
        const int n = readArchiveEntry(&archive, name, &buffer);
        std::vector<unsigned char> bytes(buffer, buffer + (n > 0 ? n : 0));
        std::free(buffer);
        return bytes;
    }

    std::unique_ptr<ScopedChdir> cwd;
    TextureArchive archive{};
};

TEST_F(GeneratedPictures, ArchiveHoldsTheSlotPicturesByExactNameInSlotOrder) {
    unzFile zip = unzOpen((kMediaDir + "/" + textureArchiveName).c_str());
    ASSERT_NE(zip, nullptr);
    std::vector<std::string> names;
    for (int r = unzGoToFirstFile(zip); r == UNZ_OK; r = unzGoToNextFile(zip)) {
        char name[256];
        unz_file_info info;
        ASSERT_EQ(unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0), UNZ_OK);
        names.push_back(name);
    }
    unzClose(zip);
    ASSERT_EQ(names.size(), std::size(archivePictures));
    for (size_t k = 0; k < names.size(); ++k) EXPECT_EQ(names[k], archivePictures[k].name) << "slot " << k;
}

// Walks the JPEG markers up to the start of scan and reports what a baseline check needs.
struct JpegMarkers {
    bool baselineFrame = false, otherFrame = false;
    int components = 0, firstLumaQuant = 0;
};
JpegMarkers scanMarkers(const std::vector<unsigned char>& b) {
    JpegMarkers m;
    size_t p = 2;
    while (p + 4 <= b.size() && b[p] == 0xFF) {
        const int marker = b[p + 1];
        const size_t length = size_t(b[p + 2]) << 8 | b[p + 3];
        if (marker == 0xDA || p + 2 + length > b.size()) break;
        if (marker == 0xC0 && length >= 8) {
            m.baselineFrame = true;
            m.components = b[p + 9];
        } else if (marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            m.otherFrame = true;
        } else if (marker == 0xDB && length >= 4 && (b[p + 4] & 0x0F) == 0) {
            m.firstLumaQuant = b[p + 5];
        }
        p += 2 + length;
    }
    return m;
}

TEST_F(GeneratedPictures, EveryEntryIsAHighQualityBaselineRgbJpegOfItsIntendedSize) {
    for (const MediaPicture& e : archivePictures) {
        const std::vector<unsigned char> bytes = entryBytes(e.name);
        ASSERT_GT(bytes.size(), 4u) << e.name;
        EXPECT_TRUE(bytes[0] == 0xFF && bytes[1] == 0xD8) << e.name;
        const JpegMarkers m = scanMarkers(bytes);
        EXPECT_TRUE(m.baselineFrame && !m.otherFrame) << e.name << " is not baseline";
        EXPECT_EQ(m.components, 3) << e.name;
        // Quality 90 scales the standard DC step of 16 down to 3; lower quality gives more.
        EXPECT_GE(m.firstLumaQuant, 1) << e.name;
        EXPECT_LE(m.firstLumaQuant, 3) << e.name;
        Decoded d;
        decode(e.name, d);
        EXPECT_EQ(d.image.width, kArchiveSizes[e.slot].width) << e.name;
        EXPECT_EQ(d.image.height, kArchiveSizes[e.slot].height) << e.name;
    }
}

TEST_F(GeneratedPictures, BmpsParseWithTheDemosReaderAsBottomUp24BitFiles) {
    for (int k = 0; k < bmpPictureCount; ++k) {
        const char* path = bmpPictures[k].name;
        const int side = kBmpSides[k];
        BmpPtr image(loadBmp(path));
        ASSERT_NE(image, nullptr) << path;
        EXPECT_EQ(image->width, side);
        EXPECT_EQ(image->height, side);
        const std::vector<unsigned char> raw = readFile(kMediaDir + "/" + mediaFileName(path));
        ASSERT_GE(raw.size(), 54u);
        auto u32 = [&](size_t at) { return raw[at] | raw[at + 1] << 8 | raw[at + 2] << 16 | uint32_t(raw[at + 3]) << 24; };
        EXPECT_EQ(raw[0], 'B');
        EXPECT_EQ(raw[1], 'M');
        EXPECT_EQ(u32(14), 40u) << "picture header size";
        EXPECT_EQ(int32_t(u32(22)), side) << "positive height: bottom row first";
        EXPECT_EQ(raw[28] | raw[29] << 8, 24);
        EXPECT_EQ(u32(30), 0u) << "uncompressed";
        EXPECT_EQ(raw.size(), 54u + size_t(side) * side * 3);
    }
}

// Ink of the font picture at (x, y) counted from the picture's top-left corner.
int fontInk(const BmpImage& font, int x, int y) { return font.pixels[(size_t(font.height - 1 - y) * font.width + x) * 3]; }

TEST_F(GeneratedPictures, FontGridPutsEachGlyphInItsCellInsideTheAdvance) {
    BmpPtr font(loadBmp(bmpPictures[0].name));
    ASSERT_NE(font, nullptr);
    for (int g = 0; g < 64; ++g) {
        const int cx = (g % 8) * 32, cy = (g / 8) * 32;
        int ink = 0, outside = 0, top = 32, bottom = -1;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const int v = fontInk(*font, cx + x, cy + y);
                if (v < 64) continue;
                ++ink;
                if (x >= 26) ++outside;
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        EXPECT_EQ(outside, 0) << "glyph " << g << " spills past the 26-unit advance";
        if (g == 0) {
            EXPECT_EQ(ink, 0) << "the blank";
        } else {
            EXPECT_GT(ink, 3) << "glyph " << g << " ('" << char(32 + g) << "') missing";
        }
        const char code = char(32 + g);
        // Shapes whose height in the cell gives away a flipped or shifted grid.
        if (code == '\'' || code == '"') { EXPECT_LT(bottom, 16) << code; }
        if (code == '.' || code == '_' || code == ',') { EXPECT_GT(top, 14) << code; }
        if (code == '-') { EXPECT_TRUE(top > 8 && bottom < 24) << code; }
        if (code == '_') { EXPECT_GT(top, 22) << code; }
    }
}

TEST_F(GeneratedPictures, FontMaskIsTheExactComplementOfTheFont) {
    BmpPtr font(loadBmp(bmpPictures[0].name)), mask(loadBmp(bmpPictures[1].name));
    ASSERT_TRUE(font && mask);
    int grey = 0;
    for (size_t k = 0; k < size_t(font->width) * font->height * 3; ++k) {
        ASSERT_EQ(font->pixels[k] + mask->pixels[k], 255) << "byte " << k;
        if (font->pixels[k] > 0 && font->pixels[k] < 255) ++grey;
    }
    EXPECT_GT(grey, 0) << "letters are anti-aliased";

    // The archive copies carry the same sheet, top row first.
    Decoded jf, jm;
    decode(entryName(archiveFontSlot), jf);
    decode(entryName(archiveFontMaskSlot), jm);
    long error = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            error += std::abs(jf.luma(x, y) - fontInk(*font, x, y));
            error += std::abs(jm.luma(x, y) + fontInk(*font, x, y) - 255);
        }
    EXPECT_LT(double(error) / (2 * 256 * 256), 2.0);
}

// Wherever the mask is solid black the picture must show paint, and where the mask is
// clear the picture must add (almost) nothing, except the light of `lightBelowRow`.
void expectAligned(const Decoded& picture, const Decoded& mask, int lightBelowRow, const char* what) {
    ASSERT_EQ(picture.image.width, mask.image.width);
    ASSERT_EQ(picture.image.height, mask.image.height);
    long solid = 0, solidLit = 0, clear = 0, clearDark = 0;
    for (int y = 0; y < mask.image.height; ++y)
        for (int x = 0; x < mask.image.width; ++x) {
            const int m = mask.luma(x, y), p = picture.luma(x, y);
            if (m < 8) ++solid, solidLit += p > 12;
            if (m > 247 && y < lightBelowRow) ++clear, clearDark += p < 16;
        }
    ASSERT_GT(solid, 1000) << what;
    EXPECT_GT(double(solidLit) / solid, 0.97) << what;
    EXPECT_GT(double(clearDark) / clear, 0.995) << what;
}

TEST_F(GeneratedPictures, PicturesAndTheirMasksAreExactlyAligned) {
    const TextureSlot pairs[][2] = {{rocketSlot, rocketMaskSlot}, {codeTitleSlot, codeTitleMaskSlot},
                                    {musikTitleSlot, musikTitleMaskSlot}, {gfxTitleSlot, gfxTitleMaskSlot}};
    for (auto& pair : pairs) {
        Decoded p, m;
        decode(entryName(pair[0]), p);
        decode(entryName(pair[1]), m);
        const bool rocket = pair[0] == rocketSlot;
        expectAligned(p, m, rocket ? p.image.height * 84 / 100 : p.image.height, entryName(pair[0]));
    }
}

TEST_F(GeneratedPictures, PicturesAreTheRightWayUpForTheirQuads) {
    // The rocket stands nose up: its silhouette narrows towards the top rows.
    Decoded mask;
    decode(entryName(rocketMaskSlot), mask);
    auto solidWidth = [&](int y) {
        int n = 0;
        for (int x = 0; x < mask.image.width; ++x) n += mask.luma(x, y) < 128;
        return n;
    };
    int firstSolidRow = 0;
    while (firstSolidRow < mask.image.height && solidWidth(firstSolidRow) == 0) ++firstSolidRow;
    EXPECT_LT(firstSolidRow, mask.image.height / 8) << "the nose is near the top";
    EXPECT_LT(solidWidth(firstSolidRow + 4), solidWidth(mask.image.height / 2)) << "nose narrower than the barrel";

    // The base's moon ground fills the bottom of the sliding backdrop, sky is above.
    Decoded base;
    decode(entryName(moonBaseSlot), base);
    const int h = base.image.height;
    EXPECT_GT(base.rowsLuma(h * 95 / 100, h), 2 * base.rowsLuma(0, h * 5 / 100));

    // Sphere mapping looks up t = 1 (the last rows) for reflections straight up: sky there.
    Decoded chrome;
    decode(entryName(chromeSlot), chrome);
    auto blueness = [&](int y) {
        const unsigned char* p = chrome.rgb(chrome.image.width / 2, y);
        return int(p[2]) - int(p[0]);
    };
    EXPECT_GT(blueness(chrome.image.height * 7 / 8), 40);
    EXPECT_LT(blueness(chrome.image.height / 8), 10);
}

TEST_F(GeneratedPictures, TwoRunsWriteIdenticalBytes) {
    // The build's run and this one.
    TempDir second;
    ASSERT_EQ(generatePictures(second.path), 1);
    for (const std::string& name : pictureFiles()) {
        const std::vector<unsigned char> a = readFile(kMediaDir + "/" + name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == readFile(second.file(name))) << name << " differs between runs";
    }
}

} // namespace
