// The BMP reader: both picture-header sizes, indexed, direct-colour, bit-field and
// run-length pixels, expanded to RGB rows bottom row first; never reads past the file.
#include "assets/bmp_loader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "assets/data_path.h"
#include "assets/picture_limits.h"
#include "platform/platform.h"

namespace {
constexpr uint32_t shortHeaderSize = 12;
constexpr uint32_t longHeaderSize = 40;
constexpr uint32_t compressionNone = 0;
constexpr uint32_t compressionRle8 = 1;
constexpr uint32_t compressionRle4 = 2;
constexpr uint32_t compressionBitFields = 3;

const char openFailedFormat[] = "Failed to open DIB file %s.\n";
const char outOfMemoryText[] = "Out of memory.";
const char unknownFormatText[] = "Unknown DIB file format.";
const char conversionErrorText[] = "Image file conversion error.";

void showError(const char* text) {
    platformMessageBox("Error", text, PLATFORM_BUTTONS_OK, PLATFORM_ICON_EXCLAMATION);
}

uint32_t le16(const unsigned char* p) { return p[0] | p[1] << 8; }
uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

struct Rgb {
    unsigned char r, g, b;
};

// The picture description, both header forms brought to the long one.
struct DibInfo {
    int64_t width;
    int64_t height;
    uint32_t bitsPerPixel;
    uint32_t compression;
    std::vector<Rgb> palette;
    uint32_t masks[3];  // red, green, blue, for direct colours
};

// A bit-field channel: where it sits and how wide it is, scaled to 8 bits by repeating its bits.
struct Channel {
    uint32_t mask;
    unsigned shift;
    unsigned bits;
};

Channel channelOf(uint32_t mask) {
    Channel c{mask, 0, 0};
    if (!mask) return c;
    while (!((mask >> c.shift) & 1)) ++c.shift;
    for (uint32_t m = mask >> c.shift; m; m >>= 1) ++c.bits;
    return c;
}

unsigned char expand(const Channel& c, uint32_t pixel) {
    if (!c.bits) return 0;
    uint32_t v = (pixel & c.mask) >> c.shift;
    if (c.bits >= 8) return static_cast<unsigned char>(v >> (c.bits - 8));
    uint32_t out = 0;
    for (int filled = 0; filled < 8; filled += static_cast<int>(c.bits))
        out |= (8 - filled >= static_cast<int>(c.bits)) ? v << (8 - filled - c.bits) : v >> (filled + c.bits - 8);
    return static_cast<unsigned char>(out);
}

// The output picture: RGB, bottom row first, rows without gaps; unwritten pixels stay black.
struct Target {
    unsigned char* pixels;
    int64_t width;
    int64_t height;
    void put(int64_t x, int64_t y, Rgb c) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        unsigned char* p = pixels + (y * width + x) * 3;
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
    }
};

Rgb paletteColour(const DibInfo& info, uint32_t index) {
    return index < info.palette.size() ? info.palette[index] : Rgb{0, 0, 0};
}

bool decodeUncompressed(const DibInfo& info, const unsigned char* bits, size_t available, Target& out) {
    const uint64_t stride = (static_cast<uint64_t>(info.width) * info.bitsPerPixel + 31) / 32 * 4;
    const uint64_t lastRow = (static_cast<uint64_t>(info.width) * info.bitsPerPixel + 7) / 8;
    // The last row may go without its padding; nothing else may be missing.
    if (stride * static_cast<uint64_t>(info.height - 1) + lastRow > available) return false;
    const Channel r = channelOf(info.masks[0]), g = channelOf(info.masks[1]), b = channelOf(info.masks[2]);
    for (int64_t y = 0; y < info.height; ++y) {
        const unsigned char* row = bits + stride * y;
        for (int64_t x = 0; x < info.width; ++x) {
            switch (info.bitsPerPixel) {
                case 1: out.put(x, y, paletteColour(info, (row[x >> 3] >> (7 - (x & 7))) & 1)); break;
                case 4: out.put(x, y, paletteColour(info, (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15)); break;
                case 8: out.put(x, y, paletteColour(info, row[x])); break;
                case 24: out.put(x, y, Rgb{row[x * 3 + 2], row[x * 3 + 1], row[x * 3]}); break;
                case 16: {
                    const uint32_t p = le16(row + x * 2);
                    out.put(x, y, Rgb{expand(r, p), expand(g, p), expand(b, p)});
                    break;
                }
                default: {
                    const uint32_t p = le32(row + x * 4);
                    out.put(x, y, Rgb{expand(r, p), expand(g, p), expand(b, p)});
                    break;
                }
            }
        }
    }
    return true;
}

// Run-length pixels: runs, end of line, end of picture, position jumps and literal runs.
// An end-of-picture marker may leave rows unwritten (they stay black), but data that stops
// before it is a short file and is refused, unless every pixel has been reached by then.
bool decodeRunLength(const DibInfo& info, const unsigned char* bits, size_t available, Target& out) {
    const bool four = info.compression == compressionRle4;
    size_t at = 0;
    int64_t x = 0, y = 0;
    while (y < info.height) {
        if (available - at < 2) return y == info.height - 1 && x >= info.width;
        const unsigned count = bits[at], value = bits[at + 1];
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i, ++x)
                out.put(x, y, paletteColour(info, four ? ((i & 1) ? value & 15 : value >> 4) : value));
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (available - at < 2) return false;
            x += bits[at];
            y += bits[at + 1];
            at += 2;
        } else {
            const size_t bytes = four ? (value + 1) / 2 : value;
            if (available - at < bytes) return false;
            for (unsigned i = 0; i < value; ++i, ++x) {
                const unsigned byte = bits[at + (four ? i / 2 : i)];
                out.put(x, y, paletteColour(info, four ? ((i & 1) ? byte & 15 : byte >> 4) : byte));
            }
            at += bytes + (bytes & 1);  // literal runs keep 16-bit alignment
            if (at > available) at = available;
        }
    }
    return true;
}

bool formSupported(const DibInfo& info) {
    switch (info.compression) {
        case compressionNone:
            return info.bitsPerPixel == 1 || info.bitsPerPixel == 4 || info.bitsPerPixel == 8 ||
                   info.bitsPerPixel == 16 || info.bitsPerPixel == 24 || info.bitsPerPixel == 32;
        case compressionRle8: return info.bitsPerPixel == 8;
        case compressionRle4: return info.bitsPerPixel == 4;
        case compressionBitFields: return info.bitsPerPixel == 16 || info.bitsPerPixel == 32;
        default: return false;
    }
}

// The default direct-colour layouts: 5-5-5 for 16 bits, 8-8-8 for 32.
void setDefaultMasks(DibInfo& info) {
    if (info.bitsPerPixel == 16) {
        info.masks[0] = 0x7C00, info.masks[1] = 0x03E0, info.masks[2] = 0x001F;
    } else {
        info.masks[0] = 0xFF0000, info.masks[1] = 0x00FF00, info.masks[2] = 0x0000FF;
    }
}

enum FileKind { fileMissing, fileRegular, fileOther };

FileKind kindOf(const std::string& path) {
    if (path.empty()) return fileMissing;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(std::filesystem::u8path(path), error);
    if (error || !std::filesystem::exists(status)) return fileMissing;
    return std::filesystem::is_regular_file(status) ? fileRegular : fileOther;
}

enum ReadResult { readDone, readFailed, readRefused };

// The whole file, when it is a regular file of at most pictureFileByteCap bytes: a device, a
// pipe or a huge file would never end or would exhaust memory, and is refused unread.
ReadResult readWholeFile(const char* name, std::vector<unsigned char>* bytes) {
    const std::string path = resolveDataPath(name);
    const FileKind kind = kindOf(path);
    if (kind == fileOther) return readRefused;
    if (kind == fileMissing) return readFailed;
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(std::filesystem::u8path(path), error);
    if (!error && size > pictureFileByteCap) return readRefused;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return readFailed;
    if (!error) bytes->reserve(static_cast<size_t>(size));
    unsigned char chunk[65536];
    size_t n;
    ReadResult result = readDone;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (bytes->size() + n > pictureFileByteCap) {  // grew while being read
            result = readRefused;
            break;
        }
        bytes->insert(bytes->end(), chunk, chunk + n);
    }
    std::fclose(file);
    return result;
}

// Reads the description and the place of the pixel bits; the message text on failure.
const char* describe(const std::vector<unsigned char>& file, DibInfo& info, size_t& bitsOffset) {
    const bool fileHeader = file.size() >= 2 && file[0] == 'B' && file[1] == 'M';
    const size_t headerAt = fileHeader ? 14 : 0;
    if (file.size() < headerAt + 4) return conversionErrorText;
    const unsigned char* header = file.data() + headerAt;
    const uint32_t headerSize = le32(header);
    if (headerSize != shortHeaderSize && headerSize != longHeaderSize) return unknownFormatText;
    if (file.size() - headerAt < headerSize) return conversionErrorText;

    const bool isShort = headerSize == shortHeaderSize;
    const unsigned n = countDibColours(header);
    info.width = isShort ? le16(header + 4) : static_cast<int32_t>(le32(header + 4));
    info.height = isShort ? le16(header + 6) : static_cast<int32_t>(le32(header + 8));
    info.bitsPerPixel = le16(header + (isShort ? 10 : 14));
    info.compression = isShort ? compressionNone : le32(header + 16);

    size_t at = headerAt + headerSize;
    if (info.compression == compressionBitFields) {
        if (file.size() - at < 12) return conversionErrorText;
        for (int i = 0; i < 3; ++i) info.masks[i] = le32(file.data() + at + 4 * i);
        at += 12;
    } else {
        setDefaultMasks(info);
    }
    const size_t entrySize = isShort ? 3 : 4;
    if ((file.size() - at) / entrySize < n) return conversionErrorText;
    info.palette.resize(n);
    for (unsigned i = 0; i < n; ++i, at += entrySize)
        info.palette[i] = Rgb{file[at + 2], file[at + 1], file[at]};
    bitsOffset = fileHeader ? le32(file.data() + 10) : at;

    // Top-down pictures, empty ones, those larger than a texture may be and forms we do not
    // read are refused here.
    if (info.width <= 0 || info.height <= 0 ||
        !pictureFits(info.width, info.height, static_cast<uint64_t>(info.width) * static_cast<uint64_t>(info.height) * 3) ||
        !formSupported(info) || bitsOffset >= file.size())
        return conversionErrorText;
    return nullptr;
}
}  // namespace

unsigned countDibColours(const unsigned char* header) {
    const uint32_t headerSize = le32(header);
    if (headerSize != shortHeaderSize) {
        const uint32_t used = le32(header + 32);
        if (used != 0) return used & 0xFFFF;
    }
    switch (le16(header + (headerSize == shortHeaderSize ? 10 : 14))) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

BmpImage* loadBmp(const char* name) {
    if (!name) return nullptr;
    // Only a regular file is opened to see that it exists: opening a pipe waits for a writer.
    // Anything else that exists goes on to be refused with its message.
    const FileKind kind = kindOf(resolveDataPath(name));
    if (kind == fileMissing) return nullptr;
    if (kind == fileRegular) {
        std::FILE* probe = openDataFile(name, "r");
        if (!probe) return nullptr;
        std::fclose(probe);
    }
    return loadDibFile(name);
}

BmpImage* loadDibFile(const char* name) {
    std::vector<unsigned char> file;
    const ReadResult read = readWholeFile(name, &file);
    if (read == readRefused) {
        showError(conversionErrorText);
        return nullptr;
    }
    if (read == readFailed || file.empty()) {
        const std::string shown = name ? name : "";
        std::vector<char> text(sizeof openFailedFormat + shown.size());
        std::snprintf(text.data(), text.size(), openFailedFormat, shown.c_str());
        showError(text.data());
        return nullptr;
    }
    DibInfo info{};
    size_t bitsOffset = 0;
    if (const char* failure = describe(file, info, bitsOffset)) {
        showError(failure);
        return nullptr;
    }
    const size_t size = static_cast<size_t>(info.width * info.height * 3);
    Target out{static_cast<unsigned char*>(std::calloc(size, 1)), info.width, info.height};
    BmpImage* image = static_cast<BmpImage*>(std::malloc(sizeof(BmpImage)));
    if (!out.pixels || !image) {
        std::free(out.pixels);
        std::free(image);
        showError(outOfMemoryText);
        return nullptr;
    }
    const unsigned char* bits = file.data() + bitsOffset;
    const size_t available = file.size() - bitsOffset;
    const bool converted = info.compression == compressionRle8 || info.compression == compressionRle4
                               ? decodeRunLength(info, bits, available, out)
                               : decodeUncompressed(info, bits, available, out);
    if (!converted) {
        std::free(out.pixels);
        std::free(image);
        showError(conversionErrorText);
        return nullptr;
    }
    image->width = static_cast<int32_t>(info.width);
    image->height = static_cast<int32_t>(info.height);
    image->pixels = out.pixels;
    return image;
}
