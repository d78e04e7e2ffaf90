// Archive pictures: the extension rule of loadImage, the TGA and JPEG decoders (JPEG read
// straight from memory), the average colour, and the grey and resampling operations.
#include "assets/image.h"

#include <cstdio>  // jpeglib.h needs FILE declared first

#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "assets/picture_limits.h"
#include "assets/texture_archive.h"
#include "platform/platform.h"

namespace {
void sumChannels(const unsigned char* p, uint64_t n, size_t step, uint64_t sums[3]);
void storeAverage(Image* image, const uint64_t sums[3]);

// ---------------------------------------------------------------------------------------------
// JPEG memory source
// ---------------------------------------------------------------------------------------------

constexpr size_t jpegFillSize = 65536;
constexpr JDIMENSION sumBatchRows = 8;

// One decode at a time: the bytes being decoded and how far the library has taken them.
struct {
    const unsigned char* data;
    size_t length;
    size_t position;
} state;

struct MemorySource {
    jpeg_source_mgr pub;
    JOCTET* buffer;  // jpegFillSize bytes from the decompressor's permanent pool
};

void initSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
    MemorySource* source = reinterpret_cast<MemorySource*>(cinfo->src);
    const size_t left = state.length - state.position;
    size_t n = left > jpegFillSize ? jpegFillSize : left;
    if (n > 0) {
        std::memcpy(source->buffer, state.data + state.position, n);
        state.position += n;
    } else {
        // Out of data: an end-of-image marker lets the library finish the picture.
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        n = 2;
    }
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = n;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* source = cinfo->src;
    while (static_cast<size_t>(count) > source->bytes_in_buffer) {
        count -= static_cast<long>(source->bytes_in_buffer);
        fillInputBuffer(cinfo);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<size_t>(count);
}

void termSource(j_decompress_ptr) {}

void useMemorySource(j_decompress_ptr cinfo, const unsigned char* data, size_t length) {
    MemorySource* source = static_cast<MemorySource*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(MemorySource)));
    source->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, jpegFillSize));
    source->pub.init_source = initSource;
    source->pub.fill_input_buffer = fillInputBuffer;
    source->pub.skip_input_data = skipInputData;
    source->pub.resync_to_restart = jpeg_resync_to_restart;
    source->pub.term_source = termSource;
    source->pub.next_input_byte = nullptr;
    source->pub.bytes_in_buffer = 0;
    cinfo->src = &source->pub;
    state.data = data;
    state.length = length;
    state.position = 0;
}

void clearMemorySource() {
    state.data = nullptr;
    state.length = 0;
    state.position = 0;
}

#ifndef QUORVEX_JPEG_FATAL_RETURNS
// The picture being decoded, for the library's messages; decoding is single-threaded.
const char* decodingName = "";

// The library's message, a warning or the fatal error that ends the process, with the
// program's name and the picture's, so a user knows which file to replace.
void namedMessage(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    platformPrint(stderr, "quorvex: picture '%s': %s\n", decodingName, text);
}
#endif

#ifdef QUORVEX_JPEG_FATAL_RETURNS
// Fuzz builds: a fatal error prints the library's message and returns from the decode
// instead of ending the process, and very large pictures are not attempted.
struct FatalReturn {
    jpeg_error_mgr pub;
    std::jmp_buf resume;
};
void quietMessage(j_common_ptr) {}
void returnFromFatal(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    std::longjmp(reinterpret_cast<FatalReturn*>(cinfo->err)->resume, 1);
}
constexpr uint64_t jpegPixelLimit = 1u << 20;
#endif

// ---------------------------------------------------------------------------------------------
// TGA
// ---------------------------------------------------------------------------------------------

struct TgaWriter {
    unsigned char* pixels;
    int width;
    int height;
    int bytesPerPixel;
    bool topFirst;
    int row;     // stored rows completed
    int column;  // pixels written in the current stored row
};

bool tgaDone(const TgaWriter& out) { return out.row >= out.height; }

// Writes one stored B, G, R[, A] pixel as R, G, B[, A] at the next position.
void tgaPut(TgaWriter& out, const unsigned char* stored) {
    const int bufferRow = out.topFirst ? out.row : out.height - 1 - out.row;
    unsigned char* p = out.pixels + (static_cast<size_t>(bufferRow) * out.width + out.column) * out.bytesPerPixel;
    p[0] = stored[2];
    p[1] = stored[1];
    p[2] = stored[0];
    if (out.bytesPerPixel == 4) p[3] = stored[3];
    if (++out.column == out.width) {
        out.column = 0;
        ++out.row;
    }
}

bool decodeTgaRuns(TgaWriter& out, const unsigned char* data, size_t length) {
    size_t at = 18;
    const size_t b = static_cast<size_t>(out.bytesPerPixel);
    while (!tgaDone(out)) {
        if (at >= length) return false;
        const unsigned header = data[at++];
        const unsigned count = (header & 0x7F) + 1;
        if (header & 0x80) {
            if (length - at < b) return false;
            for (unsigned i = 0; i < count && !tgaDone(out); ++i) tgaPut(out, data + at);
            at += b;
        } else {
            for (unsigned i = 0; i < count && !tgaDone(out); ++i) {
                if (length - at < b) return false;
                tgaPut(out, data + at);
                at += b;
            }
        }
    }
    return true;
}

unsigned readLe16(const unsigned char* p) { return p[0] | p[1] << 8; }
}  // namespace

// ---------------------------------------------------------------------------------------------
// Public operations
// ---------------------------------------------------------------------------------------------

int loadImage(Image* image, const char* name, TextureArchive* archive) {
    image->pixels = nullptr;
    image->id = -1;
    unsigned char* encoded = nullptr;
    const int size = readArchiveEntry(archive, name, &encoded);
    if (size <= 0) return 0;
    // The extension runs from the first dot, so "a.b.jpg" has ".b.jpg" and is refused.
    const char* dot = std::strchr(name, '.');
    int result = 0;
    if (dot && std::strcmp(dot, ".tga") == 0) result = decodeTga(image, encoded, static_cast<size_t>(size), name);
    else if (dot && std::strcmp(dot, ".jpg") == 0) result = decodeJpeg(image, encoded, static_cast<size_t>(size), name);
    std::free(encoded);
    // Both decoders leave the average colour filled in: the JPEG decoder sums each batch of
    // rows while it is still in cache, which a second pass over the picture cannot match.
    return result;
}

int decodeTga(Image* image, const unsigned char* data, size_t length, const char* name) {
    if (!data || length < 18) return 0;
    const unsigned depth = data[16];
    if (data[1] != 0 || (data[2] != 2 && data[2] != 10) || (depth != 24 && depth != 32)) return 0;
    const bool runLength = data[2] == 10;
    image->width = static_cast<int32_t>(readLe16(data + 12));
    image->height = static_cast<int32_t>(readLe16(data + 14));
    image->bitsPerPixel = static_cast<unsigned char>(depth);
    const size_t b = depth == 32 ? 4 : 3;
    const size_t pixelCount = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    const size_t available = length - 18;
    // Refuse data too short for what the header promises before asking for the buffer: a
    // packet of 1 + b bytes yields at most 128 pixels.
    const size_t needed = runLength ? (pixelCount + 127) / 128 * (1 + b) : pixelCount * b;
    if (available < needed) return 0;
    const size_t bytes = pixelCount * b;
    if (pixelCount > 0 && !pictureFits(image->width, image->height, bytes)) {
        warnPictureTooLarge(name, image->width, image->height);
        return 0;
    }

    unsigned char* pixels = static_cast<unsigned char*>(std::malloc(bytes > 0 ? bytes : 1));
    if (!pixels) return 0;
    TgaWriter out{pixels, image->width, image->height, static_cast<int>(b), (data[17] & 0x20) != 0, 0, 0};
    if (pixelCount == 0) out.row = out.height;
    if (runLength) {
        if (!decodeTgaRuns(out, data, length)) {
            std::free(pixels);
            return 0;
        }
    } else {
        for (size_t i = 0; i < pixelCount; ++i) tgaPut(out, data + 18 + i * b);
    }
    image->pixels = pixels;
    computeAverageColour(image);
    return 1;
}

namespace {
// Adds the rows decoded since row `from` to the channel sums; the rows summed so far.
JDIMENSION sumRows(const jpeg_decompress_struct& cinfo, const unsigned char* pixels, JDIMENSION from,
                   uint64_t sums[3]) {
    const size_t rowBytes = static_cast<size_t>(cinfo.output_width) * 3;
    const JDIMENSION to = cinfo.output_scanline;
    sumChannels(pixels + rowBytes * from, static_cast<uint64_t>(to - from) * cinfo.output_width, 3, sums);
    return to;
}
}  // namespace

namespace {
// What decoding holds at its peak: the picture itself, and for a picture stored in several
// scans (progressive ones) the library's store of every coefficient, 128 bytes a block.
uint64_t jpegPeakBytes(jpeg_decompress_struct& cinfo, uint64_t pictureBytes) {
    uint64_t bytes = pictureBytes;
    if (jpeg_has_multiple_scans(&cinfo)) {
        for (int c = 0; c < cinfo.num_components; ++c)
            bytes +=
                static_cast<uint64_t>(cinfo.comp_info[c].width_in_blocks) * cinfo.comp_info[c].height_in_blocks * 128;
    }
    return bytes;
}
}  // namespace

int decodeJpeg(Image* image, const unsigned char* data, size_t length, const char* name) {
    jpeg_decompress_struct cinfo;
#ifdef QUORVEX_JPEG_FATAL_RETURNS
    FatalReturn fatal;
    cinfo.err = jpeg_std_error(&fatal.pub);
    fatal.pub.error_exit = returnFromFatal;
    fatal.pub.output_message = quietMessage;  // millions of runs; the messages are noise
    unsigned char* volatile pixels = nullptr;
    if (setjmp(fatal.resume)) {
        std::free(pixels);
        jpeg_destroy_decompress(&cinfo);
        clearMemorySource();
        return 0;
    }
#else
    // The standard error manager: a fatal error prints the library's message and exits with 1.
    jpeg_error_mgr errorManager;
    cinfo.err = jpeg_std_error(&errorManager);
    errorManager.output_message = namedMessage;
    decodingName = name ? name : "";
    unsigned char* pixels = nullptr;
#endif
    jpeg_create_decompress(&cinfo);
    useMemorySource(&cinfo, data, length);
    jpeg_read_header(&cinfo, TRUE);
    // Grey pictures are expanded to RGB by the library so every archive picture uploads as RGB.
    if (cinfo.jpeg_color_space == JCS_GRAYSCALE) cinfo.out_color_space = JCS_RGB;
    jpeg_calc_output_dimensions(&cinfo);

    const size_t rowBytes = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
    const size_t total = rowBytes * cinfo.output_height;
    bool refused = cinfo.output_components != 3 || total == 0;  // four-component pictures
#ifdef QUORVEX_JPEG_FATAL_RETURNS
    refused = refused || static_cast<uint64_t>(cinfo.output_width) * cinfo.output_height > jpegPixelLimit;
#endif
    // A header may announce any size; nothing is asked for before the size is weighed.
    if (!refused && !pictureFits(cinfo.output_width, cinfo.output_height, jpegPeakBytes(cinfo, total))) {
        warnPictureTooLarge(name, cinfo.output_width, cinfo.output_height);
        refused = true;
    }
    if (!refused) pixels = static_cast<unsigned char*>(std::malloc(total));
    if (!pixels) {
        jpeg_destroy_decompress(&cinfo);
        clearMemorySource();
        return 0;
    }
    jpeg_start_decompress(&cinfo);
    // Rows go straight into the picture, as many per call as the library likes to give (one,
    // for these pictures): no staging row and no second copy. The average colour is summed
    // over batches of rows while they are still in the first-level cache; summing each row
    // as it came cost up to a fifth of the decode time on some runs.
    uint64_t sums[3] = {0, 0, 0};
    JDIMENSION summed = 0;  // rows already in `sums`
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[16];
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION left = cinfo.output_height - first;
        const JDIMENSION count = left < 16 ? left : 16;
        for (JDIMENSION i = 0; i < count; ++i) rows[i] = pixels + rowBytes * (first + i);
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, count);
        if (got == 0) break;
        if (cinfo.output_scanline - summed >= sumBatchRows) summed = sumRows(cinfo, pixels, summed, sums);
    }
    sumRows(cinfo, pixels, summed, sums);
    jpeg_finish_decompress(&cinfo);
    image->width = static_cast<int32_t>(cinfo.output_width);
    image->height = static_cast<int32_t>(cinfo.output_height);
    image->bitsPerPixel = 24;
    image->pixels = pixels;
    storeAverage(image, sums);
    jpeg_destroy_decompress(&cinfo);
    clearMemorySource();
    return 1;
}

namespace {
// Byte sums of interleaved pixels, `step` (3 or 4) bytes each, the first three summed.
// Chunks of 48 bytes hold a whole number of pixels of either size, so lane j of a chunk always
// belongs to channel (j % step); 16-bit lanes over at most 256 chunks cannot overflow, and
// independent lanes let the compiler keep them in vector registers.
void sumChannels(const unsigned char* p, uint64_t n, size_t step, uint64_t sums[3]) {
    constexpr size_t chunk = 48;
    constexpr size_t chunksPerBlock = 256;
    uint64_t bytes = n * step;
    while (bytes >= chunk) {
        const uint64_t chunks = bytes / chunk < chunksPerBlock ? bytes / chunk : chunksPerBlock;
        uint16_t lanes[chunk] = {};
        for (uint64_t k = 0; k < chunks; ++k, p += chunk)
            for (size_t j = 0; j < chunk; ++j) lanes[j] = static_cast<uint16_t>(lanes[j] + p[j]);
        for (size_t j = 0; j < chunk; ++j)
            if (j % step < 3) sums[j % step] += lanes[j];
        bytes -= chunks * chunk;
    }
    for (; bytes >= step; bytes -= step, p += step)
        for (int c = 0; c < 3; ++c) sums[c] += p[c];
}

void storeAverage(Image* image, const uint64_t sums[3]) {
    const uint64_t n = static_cast<uint64_t>(image->width) * static_cast<uint64_t>(image->height);
    if (n == 0) return;
    for (int c = 0; c < 3; ++c) image->averageColour[c] = static_cast<unsigned char>(sums[c] / n);
}
}  // namespace

void computeAverageColour(Image* image) {
    if (!image->pixels || image->width <= 0 || image->height <= 0) return;
    const uint64_t n = static_cast<uint64_t>(image->width) * static_cast<uint64_t>(image->height);
    uint64_t sums[3] = {0, 0, 0};
    if (image->bitsPerPixel == 24 || image->bitsPerPixel == 32) {
        sumChannels(image->pixels, n, image->bitsPerPixel / 8, sums);
    } else if (image->bitsPerPixel == 8) {
        for (uint64_t i = 0; i < n; ++i) sums[0] += image->pixels[i];
        sums[1] = sums[2] = sums[0];
    }
    storeAverage(image, sums);
}

void convertToGrey(Image* image) {
    if (!image->pixels || (image->bitsPerPixel != 24 && image->bitsPerPixel != 32)) return;
    const size_t n = static_cast<size_t>(image->width > 0 ? image->width : 0) *
                     static_cast<size_t>(image->height > 0 ? image->height : 0);
    unsigned char* grey = static_cast<unsigned char*>(std::malloc(n ? n : 1));
    if (!grey) return;
    const size_t step = image->bitsPerPixel / 8;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char* p = image->pixels + i * step;
        grey[i] = static_cast<unsigned char>((p[0] + p[1] + p[2]) / 3);
    }
    std::free(image->pixels);
    image->pixels = grey;
    const unsigned char mean =
        static_cast<unsigned char>((image->averageColour[0] + image->averageColour[1] + image->averageColour[2]) / 3);
    image->averageColour[0] = image->averageColour[1] = image->averageColour[2] = mean;
    image->bitsPerPixel = 8;
}

void resampleImage(Image* image, int newWidth, int newHeight) {
    if (!image->pixels || newWidth <= 0 || newHeight <= 0 || image->width <= 0 || image->height <= 0) return;
    const size_t bpp = (image->bitsPerPixel + 1u) >> 3;
    const size_t size = static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight) * bpp;
    unsigned char* resampled = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    if (!resampled) return;
    unsigned char* out = resampled;
    for (int64_t y = 0; y < newHeight; ++y) {
        const int64_t sourceRow = static_cast<int64_t>(image->height) * y / newHeight;
        for (int64_t x = 0; x < newWidth; ++x, out += bpp) {
            const int64_t sourceColumn = static_cast<int64_t>(image->width) * x / newWidth;
            std::memcpy(out, image->pixels + (sourceRow * image->width + sourceColumn) * bpp, bpp);
        }
    }
    std::free(image->pixels);
    image->pixels = resampled;
    image->width = newWidth;
    image->height = newHeight;
}
