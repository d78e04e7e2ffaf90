// The archive-picture decoders: TGA forms and refusals, JPEG from memory (grey, truncated,
// four-component, fatal), the extension rule of loadImage and the picture operations.
#include "assets/image.h"

#include <gtest/gtest.h>


#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "asset_fixtures.h"
#include "assets/picture_limits.h"
#include "assets/texture_archive.h"
#include "platform/process.h"
#include "support/portable.h"
#include "support/temp_dir.h"

namespace {
struct ImageHolder {
    Image image{};
    ~ImageHolder() { std::free(image.pixels); }
    Bytes bytes(size_t bytesPerPixel) const {
        return Bytes(image.pixels, image.pixels + static_cast<size_t>(image.width) * image.height * bytesPerPixel);
    }
};

// A 3 x 2 picture, top row first, as R, G, B.
const Bytes picture = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150, 160, 170, 180};

// The picture's pixels as a TGA stores them: B, G, R, rows from the bottom when `topFirst` is false.
Bytes storedPixels(bool topFirst) {
    Bytes out;
    for (int k = 0; k < 2; ++k) {
        const int row = topFirst ? k : 1 - k;
        for (int x = 0; x < 3; ++x) {
            const unsigned char* p = &picture[(row * 3 + x) * 3];
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
    }
    return out;
}

Bytes decodeTgaBytes(const Bytes& file, int* result, int bytesPerPixel = 3) {
    ImageHolder h;
    *result = decodeTga(&h.image, file.data(), file.size(), "x.tga");
    return *result ? h.bytes(static_cast<size_t>(bytesPerPixel)) : Bytes{};
}

TEST(Tga, BothOriginsAndRunLengthFormsGiveTheSameTopFirstPixels) {
    int ok = 0;
    EXPECT_EQ(picture, decodeTgaBytes(tgaFile(2, 3, 2, 24, 0x20, storedPixels(true)), &ok));
    EXPECT_EQ(picture, decodeTgaBytes(tgaFile(2, 3, 2, 24, 0x00, storedPixels(false)), &ok));

    // Bottom-left origin, run-length: a raw packet of two, then a run of two that spans the
    // end of the first stored row, then a raw packet of two; against its uncompressed twin.
    const Bytes s = storedPixels(false);
    Bytes runs = {0x01};
    runs.insert(runs.end(), s.begin(), s.begin() + 6);
    runs.push_back(0x81);
    runs.insert(runs.end(), s.begin() + 6, s.begin() + 9);
    runs.push_back(0x01);
    runs.insert(runs.end(), s.begin() + 12, s.begin() + 18);
    Bytes twin(s.begin(), s.begin() + 9);
    twin.insert(twin.end(), s.begin() + 6, s.begin() + 9);
    twin.insert(twin.end(), s.begin() + 12, s.begin() + 18);
    int rle = 0, plain = 0;
    const Bytes fromRuns = decodeTgaBytes(tgaFile(10, 3, 2, 24, 0x00, runs), &rle);
    EXPECT_EQ(1, rle);
    EXPECT_EQ(decodeTgaBytes(tgaFile(2, 3, 2, 24, 0x00, twin), &plain), fromRuns);
    EXPECT_EQ(Bytes({160, 170, 180}), Bytes(fromRuns.begin(), fromRuns.begin() + 3));  // top row, run's pixel

    // Surplus pixels in the last packet are dropped, and bytes after it are not needed.
    Bytes surplus = {0x85, 1, 2, 3};  // a run of 6 covers the picture
    int sur = 0;
    const Bytes filled = decodeTgaBytes(tgaFile(10, 3, 2, 24, 0x20, surplus), &sur);
    EXPECT_EQ(1, sur);
    EXPECT_EQ(Bytes({3, 2, 1, 3, 2, 1, 3, 2, 1, 3, 2, 1, 3, 2, 1, 3, 2, 1}), filled);
    surplus[0] = 0xFF;  // a run of 128 for 6 pixels
    EXPECT_EQ(filled, decodeTgaBytes(tgaFile(10, 3, 2, 24, 0x20, surplus), &sur));
}

TEST(Tga, ThirtyTwoBitKeepsAlphaWhichTheAverageIgnores) {
    const Bytes body = {0, 0, 255, 7, 255, 0, 0, 200};  // B, G, R, A: red then blue
    Bytes file = tgaFile(2, 2, 1, 32, 0x20, body);
    Image image{};
    ASSERT_EQ(1, decodeTga(&image, file.data(), file.size(), "x.tga"));
    EXPECT_EQ(32, image.bitsPerPixel);
    EXPECT_EQ(Bytes({255, 0, 0, 7, 0, 0, 255, 200}), Bytes(image.pixels, image.pixels + 8));
    computeAverageColour(&image);
    EXPECT_EQ(Bytes({127, 0, 127}), Bytes(image.averageColour, image.averageColour + 3));
    std::free(image.pixels);
}

TEST(Tga, RefusesOtherFormsAndShortData) {
    const Bytes body = storedPixels(true);
    const Bytes refused[] = {
        tgaFile(2, 3, 2, 24, 0x20, body, 1),  // colour map
        tgaFile(1, 3, 2, 24, 0x20, body),      tgaFile(3, 3, 2, 24, 0x20, body),
        tgaFile(9, 3, 2, 24, 0x20, body),      tgaFile(2, 3, 2, 16, 0x20, body),
        tgaFile(2, 3, 2, 24, 0x20, Bytes(body.begin(), body.end() - 1)),  // one byte short
        tgaFile(10, 3, 2, 24, 0x20, {0x85, 1, 2}),                        // run pixel cut off
        tgaFile(10, 3, 2, 24, 0x20, {0x02, 1, 2, 3, 4, 5, 6}),            // raw packet cut off
        tgaFile(10, 3, 2, 24, 0x20, {0x80, 1, 2, 3}),                     // packets end early
        tgaFile(2, 3, 2, 24, 0x20, {}).size() > 17 ? Bytes(17, 0) : Bytes{},  // no header
    };
    for (const Bytes& file : refused) {
        // Exactly sized copies, so a read past the end is a sanitizer report.
        std::unique_ptr<unsigned char[]> exact(new unsigned char[file.size() + 1]);
        std::memcpy(exact.get(), file.data(), file.size());
        Image image{};
        image.width = 99;
        EXPECT_EQ(0, decodeTga(&image, exact.get(), file.size(), "x.tga"));
        EXPECT_EQ(nullptr, image.pixels);
    }
}

TEST(Jpeg, DecodesColourAndExpandsGreyToRgb) {
    const Bytes colour = encodeJpeg(17, 9, 3, gradientPixels(17, 9, 3));
    ImageHolder c;
    ASSERT_EQ(1, decodeJpeg(&c.image, colour.data(), colour.size(), "c.jpg"));
    EXPECT_EQ(17, c.image.width);
    EXPECT_EQ(9, c.image.height);
    EXPECT_EQ(24, c.image.bitsPerPixel);
    EXPECT_LT(c.image.pixels[0], 20);                   // top-left: little red, little green
    EXPECT_GT(c.image.pixels[(17 * 9 - 1) * 3], 235);   // bottom-right: full red ...
    EXPECT_GT(c.image.pixels[(17 * 9 - 1) * 3 + 1], 235);  // ... and full green: top row first
    // Nine rows: the decoder sums rows in batches, and the last, brightest row is a batch of its own.
    const Bytes summedWhileDecoding(c.image.averageColour, c.image.averageColour + 3);
    computeAverageColour(&c.image);
    EXPECT_EQ(Bytes(c.image.averageColour, c.image.averageColour + 3), summedWhileDecoding);

    const Bytes grey = encodeJpeg(5, 4, 1, gradientPixels(5, 4, 1));
    ImageHolder g;
    ASSERT_EQ(1, decodeJpeg(&g.image, grey.data(), grey.size(), "g.jpg"));
    EXPECT_EQ(24, g.image.bitsPerPixel);
    const Bytes rgb = g.bytes(3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        EXPECT_EQ(rgb[i], rgb[i + 1]);
        EXPECT_EQ(rgb[i], rgb[i + 2]);
    }
    EXPECT_GT(rgb[rgb.size() - 3], 200);
}

TEST(Jpeg, TruncatedDataGivesAFullSizePictureFromExactlyTheBytesGiven) {
    Bytes noisy = gradientPixels(128, 96, 3);
    for (size_t i = 0; i < noisy.size(); i += 3) noisy[i + 2] = static_cast<unsigned char>((i * 2654435761u) >> 24);
    const Bytes whole = encodeJpeg(128, 96, 3, noisy);
    ASSERT_GT(whole.size(), 8000u);  // the scan, not the headers, is cut
    const size_t cut = whole.size() / 2;
    std::unique_ptr<unsigned char[]> exact(new unsigned char[cut]);
    std::memcpy(exact.get(), whole.data(), cut);
    ImageHolder h;
    ::testing::internal::CaptureStderr();  // the library warns about the premature end
    ASSERT_EQ(1, decodeJpeg(&h.image, exact.get(), cut, "t.jpg"));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(128, h.image.width);
    EXPECT_EQ(96, h.image.height);
    EXPECT_LT(h.image.pixels[0], 30);  // the part before the cut is the picture's
}

TEST(Jpeg, FourComponentPicturesAreRefused) {
    const Bytes cmyk = encodeJpeg(4, 2, 4, Bytes(4 * 2 * 4, 0));
    Image image{};
    EXPECT_EQ(0, decodeJpeg(&image, cmyk.data(), cmyk.size(), "cmyk.jpg"));
    EXPECT_EQ(nullptr, image.pixels);
    // The decoder is usable again afterwards.
    const Bytes colour = encodeJpeg(3, 3, 3, gradientPixels(3, 3, 3));
    ImageHolder h;
    EXPECT_EQ(1, decodeJpeg(&h.image, colour.data(), colour.size(), "c.jpg"));
}

TEST(JpegDeathTest, FatalErrorPrintsTheLibraryMessageAndExitsWithOne) {
    const Bytes notJpeg = {'G', 'I', 'F', '8', '9', 'a', 0, 0};
    Image image{};
    EXPECT_EXIT(decodeJpeg(&image, notJpeg.data(), notJpeg.size(), "bad.jpg"), ::testing::ExitedWithCode(1),
                "quorvex: picture 'bad\\.jpg': Not a JPEG file: starts with 0x47 0x49");
}

// Both decoders weigh the size a header announces before asking for any memory: a picture
// larger than a texture may be here is refused with one line that names it.
class PictureLimitTest : public ::testing::Test {
protected:
    void TearDown() override { setTextureSideLimit(0); }
    // The decoder's result, and what it wrote on standard error.
    template <typename Decode>
    int decode(Decode decoder, const Bytes& file, const char* name, std::string* said) {
        ImageHolder h;
        ::testing::internal::CaptureStderr();
        const int result = decoder(&h.image, file.data(), file.size(), name);
        *said = ::testing::internal::GetCapturedStderr();
        if (!result) {
            EXPECT_EQ(nullptr, h.image.pixels);
        }
        return result;
    }
};

TEST_F(PictureLimitTest, TheTextureSideLimitComesFromGlAndIsCapped) {
    EXPECT_EQ(16384, pictureSideLimit());
    setTextureSideLimit(32768);
    EXPECT_EQ(16384, pictureSideLimit());
    setTextureSideLimit(2048);
    EXPECT_EQ(2048, pictureSideLimit());
    setTextureSideLimit(0);  // no context to ask
    EXPECT_EQ(16384, pictureSideLimit());
}

TEST_F(PictureLimitTest, PicturesWiderOrTallerThanATextureAreRefusedWithOneLine) {
    setTextureSideLimit(64);
    std::string said;
    EXPECT_EQ(1, decode(decodeJpeg, encodeJpeg(64, 8, 3, gradientPixels(64, 8)), "edge.jpg", &said));
    EXPECT_EQ("", said);
    EXPECT_EQ(0, decode(decodeJpeg, encodeJpeg(8, 65, 3, gradientPixels(8, 65)), "tall.jpg", &said));
    EXPECT_EQ("quorvex: tall.jpg is 8 x 65 pixels, too large for a texture here (at most 64 a side and 33554432 "
              "pixels in all); its texture stays empty\n",
              said);
    EXPECT_EQ(1, decode(decodeTga, tgaFile(2, 64, 1, 24, 0x20, Bytes(64 * 3, 7)), "edge.tga", &said));
    EXPECT_EQ(0, decode(decodeTga, tgaFile(2, 65, 1, 24, 0x20, Bytes(65 * 3, 7)), "wide.tga", &said));
    EXPECT_NE(std::string::npos, said.find("wide.tga is 65 x 1 pixels"));
}

TEST_F(PictureLimitTest, HugeAnnouncedSizesAreRefusedBeforeAnyMemoryIsTaken) {
    const Bytes small = encodeJpeg(64, 64, 3, gradientPixels(64, 64));
    std::string said;
    // 60000 x 60000 would be 10.8 GB of pixels; 8000 x 8000 fits the sides, not 2^25 pixels.
    EXPECT_EQ(0, decode(decodeJpeg, withJpegSize(small, 60000, 60000), "huge.jpg", &said));
    EXPECT_NE(std::string::npos, said.find("huge.jpg is 60000 x 60000 pixels"));
    EXPECT_EQ(0, decode(decodeJpeg, withJpegSize(small, 8000, 8000), "big.jpg", &said));
    EXPECT_NE(std::string::npos, said.find("big.jpg is 8000 x 8000"));
    // 5000 x 5000 is 25 M pixels, 75 MB decoded; stored progressively the library would also
    // keep every coefficient (150 MB), which together is more than a decoder may hold.
    EXPECT_EQ(0, decode(decodeJpeg, withJpegSize(encodeJpeg(64, 64, 3, gradientPixels(64, 64), 90, true), 5000, 5000),
                        "layers.jpg", &said));
    EXPECT_NE(std::string::npos, said.find("layers.jpg is 5000 x 5000"));
    // A run-length TGA whose few packets promise 16384 x 4096 pixels of 4 bytes: 2^26 pixels.
    Bytes packets;
    for (size_t i = 0; i < size_t(16384) * 4096 / 128; ++i) append(packets, {0xFF, 1, 2, 3, 4});
    EXPECT_EQ(0, decode(decodeTga, tgaFile(10, 16384, 4096, 32, 0x20, packets), "runs.tga", &said));
    EXPECT_NE(std::string::npos, said.find("runs.tga is 16384 x 4096"));
    EXPECT_LT(platformPeakResidentKb(), 400 * 1024) << "kB at the peak";
}

class LoadImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        makeTestDirectories(dir.file("data"));
        const Bytes jpeg = encodeJpeg(8, 4, 3, gradientPixels(8, 4, 3));
        const Bytes tga = tgaFile(2, 3, 2, 24, 0x20, storedPixels(true));
        ASSERT_TRUE(writeZip(dir.file("data/textures.zip"),
                             {{"pic.jpg", jpeg}, {"PIC2.jpg", jpeg}, {"upper.JPG", jpeg}, {"two.dots.jpg", jpeg},
                              {"pic.tga", tga}, {"noext", jpeg}, {"pic.png", jpeg}, {"empty.jpg", {}}}));
        ASSERT_EQ(1, openTextureArchive(&archive, "textures.zip"));
    }
    void TearDown() override { closeTextureArchive(&archive); }
    int load(const char* name) {
        std::free(holder.image.pixels);
        holder.image.pixels = nullptr;
        return loadImage(&holder.image, name, &archive);
    }
    TempDir dir;
    ScopedChdir inside{dir.path};
    TextureArchive archive{};
    ImageHolder holder;
};

TEST_F(LoadImageTest, PicksTheDecoderByTheExtensionFromTheFirstDot) {
    EXPECT_EQ(1, load("pic.jpg"));
    EXPECT_EQ(8, holder.image.width);
    EXPECT_EQ(-1, holder.image.id);
    const Bytes fromDecode(holder.image.averageColour, holder.image.averageColour + 3);
    computeAverageColour(&holder.image);  // the decoder's running sums match a fresh pass
    EXPECT_EQ(fromDecode, Bytes(holder.image.averageColour, holder.image.averageColour + 3));
    EXPECT_EQ(1, load("pic2.jpg"));  // the entry lookup ignores case, the extension does not
    EXPECT_EQ(1, load("pic.tga"));
    EXPECT_EQ(3, holder.image.width);
    EXPECT_EQ(Bytes({85, 95, 105}), Bytes(holder.image.averageColour, holder.image.averageColour + 3));
    for (const char* refused : {"upper.JPG", "two.dots.jpg", "noext", "pic.png", "empty.jpg", "missing.jpg"}) {
        EXPECT_EQ(0, load(refused)) << refused;
        EXPECT_EQ(nullptr, holder.image.pixels) << refused;
    }
}

TEST(ImageOperations, AverageGreyAndResample) {
    unsigned char twoPixels[] = {255, 0, 0, 0, 0, 255};
    Image image{};
    image.bitsPerPixel = 24;
    image.width = 2;
    image.height = 1;
    image.pixels = static_cast<unsigned char*>(std::malloc(6));
    std::memcpy(image.pixels, twoPixels, 6);
    computeAverageColour(&image);
    EXPECT_EQ(Bytes({127, 0, 127}), Bytes(image.averageColour, image.averageColour + 3));

    resampleImage(&image, 4, 2);  // each source pixel twice across, both rows alike
    EXPECT_EQ(Bytes({255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255}),
              Bytes(image.pixels, image.pixels + 24));
    resampleImage(&image, 0, 5);  // ignored
    EXPECT_EQ(4, image.width);

    convertToGrey(&image);
    EXPECT_EQ(8, image.bitsPerPixel);
    EXPECT_EQ(Bytes({85, 85, 85, 85, 85, 85, 85, 85}), Bytes(image.pixels, image.pixels + 8));
    EXPECT_EQ(Bytes({84, 84, 84}), Bytes(image.averageColour, image.averageColour + 3));
    computeAverageColour(&image);
    EXPECT_EQ(Bytes({85, 85, 85}), Bytes(image.averageColour, image.averageColour + 3));
    std::free(image.pixels);

    // Both pixel sizes, across the summing blocks, against a plain per-pixel mean.
    for (int bits : {24, 32}) {
        const int step = bits / 8, count = 9001;
        Image wide{};
        wide.bitsPerPixel = static_cast<unsigned char>(bits);
        wide.width = count;
        wide.height = 1;
        wide.pixels = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(count) * step));
        uint64_t sums[3] = {0, 0, 0};
        for (int i = 0; i < count * step; ++i) {
            wide.pixels[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
            if (i % step < 3) sums[i % step] += wide.pixels[i];
        }
        computeAverageColour(&wide);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(sums[c] / count, wide.averageColour[c]) << bits << " " << c;
        std::free(wide.pixels);
    }

    // Sums wider than 32 bits: 4096 x 4096 white pixels average to white.
    Image big{};
    big.bitsPerPixel = 24;
    big.width = big.height = 4096;
    big.pixels = static_cast<unsigned char*>(std::malloc(4096u * 4096u * 3u));
    std::memset(big.pixels, 255, 4096u * 4096u * 3u);
    computeAverageColour(&big);
    EXPECT_EQ(Bytes({255, 255, 255}), Bytes(big.averageColour, big.averageColour + 3));
    std::free(big.pixels);
}
}  // namespace
