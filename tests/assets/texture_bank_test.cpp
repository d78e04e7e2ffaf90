// The texture bank on a real offscreen GL context: which slots hold pictures of which
// sizes, the parameters of both set-ups, exact uploads of odd rows, and missing files.
#include "assets/texture_bank.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "asset_fixtures.h"
#include "assets/image.h"
#include "assets/texture_archive.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "shell/startup.h"
#include "support/gl_test_context.h"
#include "support/portable.h"
#include "support/temp_dir.h"

namespace {
// A size of its own for every slot: a picture loaded into another slot shows.
int archiveWidth(int slot) { return 4 << (slot % 5); }
int archiveHeight(int slot) { return 2 << (slot / 5); }

struct BmpSpec {
    int width, height;
};
// Sizes of the four BMP pictures, in the manifest's order. Row lengths of 3, 6 and 12 bytes:
// only byte-aligned unpacking uploads the first two exactly.
const BmpSpec bmpSpecs[bmpPictureCount] = {{4, 2}, {2, 2}, {8, 8}, {1, 4}};

// RGB pixels bottom row first, every byte different.
Bytes bmpPixels(const BmpSpec& s, int seed) {
    Bytes p(static_cast<size_t>(s.width) * s.height * 3);
    for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<unsigned char>(seed * 50 + i * 7);
    return p;
}

Bytes bmp24(const BmpSpec& s, const Bytes& rgb) {
    Bytes bits;
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            const unsigned char* p = &rgb[(static_cast<size_t>(y) * s.width + x) * 3];
            bits.insert(bits.end(), {p[2], p[1], p[0]});
        }
        while (bits.size() % 4) bits.push_back(0);
    }
    return bmpFile(longDibHeader(s.width, s.height, 24), bits);
}

GLint levelSize(GLuint name, GLenum what, int level = 0) {
    glBindTexture(GL_TEXTURE_2D, name);
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, what, &value);
    return value;
}

// Without the whole chain down to 1 x 1 a mipmapped filter finds the texture incomplete.
void expectFullMipChain(GLuint name, int width, int height) {
    int last = 0;
    while ((1 << last) < std::max(width, height)) ++last;
    EXPECT_EQ(1, levelSize(name, GL_TEXTURE_WIDTH, last));
    EXPECT_EQ(1, levelSize(name, GL_TEXTURE_HEIGHT, last));
}

GLint parameter(GLuint name, GLenum what) {
    glBindTexture(GL_TEXTURE_2D, name);
    GLint value = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, what, &value);
    return value;
}

int rejectMessage(const char*, const char*, PlatformButtons, PlatformIcon) {
    ADD_FAILURE() << "no message expected";
    return PLATFORM_ANSWER_OK;
}

class TextureBankTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        platformSetMessageBoxHook(rejectMessage);
        makeTestDirectories(dir.file("data"));
        for (int k = 0; k < bmpPictureCount; ++k)
            writeFile(dataFile(bmpPictures[k].name), bmp24(bmpSpecs[k], bmpPixels(bmpSpecs[k], k)));
        std::vector<ZipItem> items;
        for (int slot = 0; slot < archiveSlotCount; ++slot)
            items.push_back({archivePictures[slot].name,
                             encodeJpeg(archiveWidth(slot), archiveHeight(slot), slot == 5 ? 1 : 3,
                                        gradientPixels(archiveWidth(slot), archiveHeight(slot), slot == 5 ? 1 : 3))});
        ASSERT_TRUE(writeZip(dataFile(textureArchiveName), items));
    }
    void TearDown() override { platformSetMessageBoxHook(nullptr); }
    std::string dataFile(const char* mediaPath) { return dir.file(std::string("data/") + mediaFileName(mediaPath)); }

    void loadBank() {
        loadBmpTextures();
        for (int slot = 0; slot < archiveSlotCount; ++slot) bmpStepNames[slot] = textureBank.names[slot];
        TextureArchive archive{};
        openTextureArchive(&archive, textureArchiveName);
        loadArchiveTextures(&archive);
        closeTextureArchive(&archive);
    }
    void expectBmpSlots(bool particlePresent) {
        for (int k = 0; k < bmpPictureCount; ++k) {
            const GLuint name = textureBank.names[bmpPictures[k].slot];
            const bool present = k != 3 || particlePresent;
            EXPECT_EQ(present ? bmpSpecs[k].width : 0, levelSize(name, GL_TEXTURE_WIDTH)) << k;
            EXPECT_EQ(present ? bmpSpecs[k].height : 0, levelSize(name, GL_TEXTURE_HEIGHT)) << k;
            if (present) expectFullMipChain(name, bmpSpecs[k].width, bmpSpecs[k].height);
            EXPECT_EQ(GL_LINEAR_MIPMAP_NEAREST, parameter(name, GL_TEXTURE_MIN_FILTER));
            EXPECT_EQ(GL_LINEAR, parameter(name, GL_TEXTURE_MAG_FILTER));
            EXPECT_EQ(GL_REPEAT, parameter(name, GL_TEXTURE_WRAP_S));
            EXPECT_EQ(GL_REPEAT, parameter(name, GL_TEXTURE_WRAP_T));
        }
    }
    void expectArchiveSlots(bool present) {
        for (int slot = 0; slot < archiveSlotCount; ++slot) {
            const GLuint name = textureBank.names[slot];
            EXPECT_NE(bmpStepNames[slot], name) << slot;  // fresh names from the archive step
            EXPECT_EQ(present ? archiveWidth(slot) : 0, levelSize(name, GL_TEXTURE_WIDTH)) << slot;
            EXPECT_EQ(present ? archiveHeight(slot) : 0, levelSize(name, GL_TEXTURE_HEIGHT)) << slot;
            if (present) expectFullMipChain(name, archiveWidth(slot), archiveHeight(slot));
            EXPECT_EQ(GL_REPEAT, parameter(name, GL_TEXTURE_WRAP_S));
            EXPECT_EQ(GL_REPEAT, parameter(name, GL_TEXTURE_WRAP_T));
            EXPECT_EQ(GL_LINEAR, parameter(name, GL_TEXTURE_MAG_FILTER));
            EXPECT_EQ(GL_LINEAR_MIPMAP_LINEAR, parameter(name, GL_TEXTURE_MIN_FILTER));
        }
    }
    TempDir dir;
    ScopedChdir inside{dir.path};
    GLuint bmpStepNames[archiveSlotCount] = {};
};

// The file names the media come under, slot by slot, written out on purpose: the manifest is
// their one home in the program, and a check that read them from it could not notice two swapped.
TEST(MediaNames, EverySlotLoadsTheFileItsPictureComesIn) {
    const char* const archive[archiveSlotCount] = {
        "3.jpg",     "rymdbas.jpg",     "bubbla1.jpg", "bubbla2.jpg", "font.jpg",      "fontmask.jpg",
        "tinraket.jpg", "tinraketmask.jpg", "rymd.jpg", "blomp.jpg", "backblomp.jpg", "BGtie.jpg",
        "tietex.jpg", "bluetexture.jpg", "chrome.jpg", "BGspike.jpg", "code.jpg",     "codemask.jpg",
        "musik.jpg", "musikmask.jpg",   "gfx.jpg",     "gfxmask.jpg", "members.jpg"};
    for (int slot = 0; slot < archiveSlotCount; ++slot) {
        EXPECT_EQ(archivePictures[slot].slot, slot);
        EXPECT_STREQ(archivePictures[slot].name, archive[slot]) << "slot " << slot;
    }
    const char* const bmp[bmpPictureCount] = {"Data/font.bmp", "Data/fontmask.bmp", "Data/rymd.bmp",
                                              "Data/particle.bmp"};
    for (int k = 0; k < bmpPictureCount; ++k) {
        EXPECT_EQ(bmpPictures[k].slot, 24 + k);
        EXPECT_STREQ(bmpPictures[k].name, bmp[k]) << "slot " << 24 + k;
    }
}

TEST_F(TextureBankTest, FillsEverySlotAsTheTableSays) {
    loadBank();
    EXPECT_EQ(GL_NO_ERROR, glGetError());
    expectArchiveSlots(true);
    expectBmpSlots(true);
    for (int slot : {23, 28}) {
        EXPECT_NE(0u, textureBank.names[slot]);
        EXPECT_EQ(0, levelSize(textureBank.names[slot], GL_TEXTURE_WIDTH));
    }
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(4, alignment);  // put back after the uploads
}

TEST_F(TextureBankTest, ArchiveStepLeavesSlot22BoundAndGreyPicturesAsRgb) {
    loadBank();
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLint>(textureBank.names[membersSlot]), bound);
    // Slot 5 holds a grey picture: level 0 comes back with equal channels.
    const int w = archiveWidth(5), h = archiveHeight(5);
    Bytes texels(static_cast<size_t>(w) * h * 3);
    glBindTexture(GL_TEXTURE_2D, textureBank.names[5]);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    for (size_t i = 0; i < texels.size(); i += 3) {
        EXPECT_EQ(texels[i], texels[i + 1]);
        EXPECT_EQ(texels[i], texels[i + 2]);
    }
}

TEST_F(TextureBankTest, OddRowLengthsUploadExactly) {
    loadBank();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int k = 0; k < bmpPictureCount; ++k) {
        const BmpSpec& s = bmpSpecs[k];
        Bytes texels(static_cast<size_t>(s.width) * s.height * 3);
        bindSlot(bmpPictures[k].slot);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        EXPECT_EQ(bmpPixels(s, k), texels) << bmpPictures[k].name;  // first row in memory at t = 0
    }
}

TEST_F(TextureBankTest, MissingArchiveLeavesOnlyTheArchiveSlotsEmpty) {
    std::remove(dataFile(textureArchiveName).c_str());
    loadBank();
    expectArchiveSlots(false);
    expectBmpSlots(true);
}

TEST_F(TextureBankTest, EmptyPlaceholderFilesLeaveTheirSlotsEmpty) {
    writeFile(dataFile(textureArchiveName), {});
    loadBank();
    expectArchiveSlots(false);
}

TEST_F(TextureBankTest, MissingParticleLeavesSlot27EmptyAndStartupCompletes) {
    std::remove(dataFile(bmpPictures[3].name).c_str());
    EXPECT_EQ(1, runStartup());
    expectBmpSlots(false);
    for (int slot = 0; slot < archiveSlotCount; ++slot)
        EXPECT_EQ(archiveWidth(slot), levelSize(textureBank.names[slot], GL_TEXTURE_WIDTH)) << slot;
}

// Linux only from here: devices and pipes in the file system, and a peak memory figure that
// can be reset (clear_refs).
#if defined(__linux__)
// Resident memory now and at its peak since the last reset, in kB (Linux keeps both).
long statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    return -1;
}
void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

std::vector<std::string> boxes;
int recordBox(const char* caption, const char* text, PlatformButtons, PlatformIcon) {
    boxes.push_back(std::string(caption) + "|" + text);
    return PLATFORM_ANSWER_OK;
}

// Real bad files in every place a picture comes from: an entry that inflates past 64 MiB,
// JPEG headers announcing 60000 x 60000 and a progressive 5000 x 5000, a font linked to
// /dev/zero, a font mask that is a pipe nobody writes to, a 1 GiB (sparse) backdrop. Each
// leaves just its slot empty, with one line or its box, and the loading stays small.
TEST_F(TextureBankTest, OversizedAndEndlessPicturesLeaveOnlyTheirSlotsEmptyWithinMemory) {
    namespace fs = std::filesystem;
    std::vector<ZipItem> items;
    for (int slot = 0; slot < archiveSlotCount; ++slot)
        items.push_back({archivePictures[slot].name, encodeJpeg(archiveWidth(slot), archiveHeight(slot), 3,
                                                                gradientPixels(archiveWidth(slot), archiveHeight(slot)))});
    items[sparkSlot].content = Bytes(size_t(128) << 20, 0);
    items[moonBaseSlot].content = withJpegSize(items[moonBaseSlot].content, 60000, 60000);
    items[wowBubbleSlot].content = withJpegSize(encodeJpeg(16, 16, 3, gradientPixels(16, 16), 90, true), 5000, 5000);
    ASSERT_TRUE(writeZip(dataFile(textureArchiveName), items));
    items.clear();
    items.shrink_to_fit();
    fs::remove(dataFile(bmpPictures[0].name));
    fs::create_symlink("/dev/zero", dataFile(bmpPictures[0].name));
    fs::remove(dataFile(bmpPictures[1].name));
    ASSERT_EQ(0, mkfifo(dataFile(bmpPictures[1].name).c_str(), 0600));
    fs::resize_file(dataFile(bmpPictures[2].name), uint64_t(1) << 30);
    platformSetMessageBoxHook(recordBox);
    boxes.clear();

    resetPeakMemory();
    const long before = statusKb("VmRSS:");
    ::testing::internal::CaptureStderr();
    loadBank();
    const std::string said = ::testing::internal::GetCapturedStderr();
    const long peak = statusKb("VmHWM:");
    EXPECT_LT(peak, 500 * 1024) << "kB";
    EXPECT_LT(peak - before, 64 * 1024) << "kB more than before loading";

    EXPECT_EQ(std::vector<std::string>(3, "Error|Image file conversion error."), boxes);
    EXPECT_EQ("quorvex: data/font.bmp is not a regular file; its texture stays empty\n"
              "quorvex: data/fontmask.bmp is not a regular file; its texture stays empty\n"
              "quorvex: data/rymd.bmp is larger than 64 MiB; its texture stays empty\n"
              "quorvex: rymdbas.jpg is 60000 x 60000 pixels, too large for a texture here (at most 16384 a side "
              "and 33554432 pixels in all); its texture stays empty\n"
              "quorvex: bubbla1.jpg is 5000 x 5000 pixels, too large for a texture here (at most 16384 a side "
              "and 33554432 pixels in all); its texture stays empty\n"
              "quorvex: data/textures.zip gives no picture for 1 of its 23 textures (over 64 MiB inflated: "
              "3.jpg); that texture stays empty\n",
              said);
    for (int slot = 0; slot < archiveSlotCount; ++slot)
        EXPECT_EQ(slot <= wowBubbleSlot ? 0 : archiveWidth(slot), levelSize(textureBank.names[slot], GL_TEXTURE_WIDTH))
            << slot;
    for (int k = 0; k < bmpPictureCount; ++k)
        EXPECT_EQ(k == 3 ? bmpSpecs[k].width : 0, levelSize(textureBank.names[bmpPictures[k].slot], GL_TEXTURE_WIDTH))
            << bmpPictures[k].name;
}

#endif

TEST_F(TextureBankTest, ReloadingGivesTheSamePicturesUnderNewNames) {
    loadBank();
    GLuint first[textureSlotCount];
    std::copy(textureBank.names, textureBank.names + textureSlotCount, first);
    loadBank();
    for (int slot = 0; slot < textureSlotCount; ++slot) EXPECT_NE(first[slot], textureBank.names[slot]);
    expectArchiveSlots(true);
    expectBmpSlots(true);
}
}  // namespace
