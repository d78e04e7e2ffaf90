// The BMP reader: both picture-header sizes, indexed, direct-colour, bit-field and
// run-length pixels, expanded to RGB rows bottom row first; never reads past the file.
#include "assets/bmp_loader.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "assets/data_path.h"
#include "assets/media_file.h"
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

void showError(const char* text) { platformMessageBox("Error", text, PLATFORM_BUTTONS_OK, PLATFORM_ICON_EXCLAMATION); }

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
    bool lastPixelWritten;  // the top row's last pixel, the one that run-length data reaches last
    void put(int64_t x, int64_t y, Rgb c) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        if (x == width - 1 && y == height - 1) lastPixelWritten = true;
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
// An end-of-picture marker may leave pixels unwritten (they stay black), but data that stops
// before it is a short file and is refused, unless the last pixel has been written by then.
bool decodeRunLength(const DibInfo& info, const unsigned char* bits, size_t available, Target& out) {
    const bool four = info.compression == compressionRle4;
    size_t at = 0;
    int64_t x = 0, y = 0;
    for (;;) {  // every pass takes at least two bytes
        if (available - at < 2) return out.lastPixelWritten;
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
            if (available - at < 2) return out.lastPixelWritten;
            x += bits[at];
            y += bits[at + 1];
            at += 2;
        } else {
            const size_t bytes = four ? (value + 1) / 2 : value;
            if (available - at < bytes) return out.lastPixelWritten;
            for (unsigned i = 0; i < value; ++i, ++x) {
                const unsigned byte = bits[at + (four ? i / 2 : i)];
                out.put(x, y, paletteColour(info, four ? ((i & 1) ? byte & 15 : byte >> 4) : byte));
            }
            at += bytes + (bytes & 1);  // literal runs keep 16-bit alignment
            if (at > available) at = available;
        }
    }
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

// Why a picture is refused: the line that names the file, and the box the loader shows
// (none for a picture too large for a texture, whose own line has been said).
struct Refusal {
    std::string problem;
    const char* box;
};

std::string compressionName(uint32_t compression) {
    switch (compression) {
        case compressionNone: return "uncompressed";
        case compressionRle8: return "RLE8";
        case compressionRle4: return "RLE4";
        case compressionBitFields: return "bit-field";
        default: return "compression " + std::to_string(compression);
    }
}

// Reads the description and the place of the pixel bits; what is wrong, if anything.
bool describe(const std::vector<unsigned char>& file, const std::string& shown, DibInfo& info, size_t& bitsOffset,
              Refusal* refusal) {
    const bool fileHeader = file.size() >= 2 && file[0] == 'B' && file[1] == 'M';
    const size_t headerAt = fileHeader ? 14 : 0;
    *refusal = {"is too short for a BMP header", conversionErrorText};
    if (file.size() < headerAt + 4) return false;
    const unsigned char* header = file.data() + headerAt;
    const uint32_t headerSize = le32(header);
    if (headerSize != shortHeaderSize && headerSize != longHeaderSize) {
        *refusal = {"has a " + std::to_string(headerSize) + "-byte picture header, a form not read", unknownFormatText};
        return false;
    }
    if (file.size() - headerAt < headerSize) return false;

    const bool isShort = headerSize == shortHeaderSize;
    const unsigned n = countDibColours(header);
    // Signed in the long header: a negative height is a top-down picture.
    info.width = isShort ? int64_t(le16(header + 4)) : int64_t(static_cast<int32_t>(le32(header + 4)));
    info.height = isShort ? int64_t(le16(header + 6)) : int64_t(static_cast<int32_t>(le32(header + 8)));
    info.bitsPerPixel = le16(header + (isShort ? 10 : 14));
    info.compression = isShort ? compressionNone : le32(header + 16);

    size_t at = headerAt + headerSize;
    *refusal = {"is too short for its colour table", conversionErrorText};
    if (info.compression == compressionBitFields) {
        if (file.size() - at < 12) return false;
        for (int i = 0; i < 3; ++i) info.masks[i] = le32(file.data() + at + 4 * i);
        at += 12;
    } else {
        setDefaultMasks(info);
    }
    const size_t entrySize = isShort ? 3 : 4;
    if ((file.size() - at) / entrySize < n) return false;
    info.palette.resize(n);
    for (unsigned i = 0; i < n; ++i, at += entrySize) info.palette[i] = Rgb{file[at + 2], file[at + 1], file[at]};
    bitsOffset = fileHeader ? le32(file.data() + 10) : at;

    if (info.width <= 0 || info.height <= 0) {
        *refusal = {info.height < 0
                        ? "is stored top-down, which is not read"
                        : "has no pixels (" + std::to_string(info.width) + " x " + std::to_string(info.height) + ")",
                    conversionErrorText};
        return false;
    }
    if (!pictureFits(info.width, info.height,
                     static_cast<uint64_t>(info.width) * static_cast<uint64_t>(info.height) * 3)) {
        warnPictureTooLarge(shown.c_str(), info.width, info.height);
        *refusal = {"", nullptr};
        return false;
    }
    if (!formSupported(info)) {
        *refusal = {"has " + std::to_string(info.bitsPerPixel) + "-bit " + compressionName(info.compression) +
                        " pixels, a form not read",
                    conversionErrorText};
        return false;
    }
    if (bitsOffset >= file.size()) {
        *refusal = {"places its pixels past its end", conversionErrorText};
        return false;
    }
    return true;
}

// The file as the user would find it: its real path when the resolver finds it.
std::string shownName(const char* name) {
    const std::string resolved = resolveDataPath(name);
    return !resolved.empty() ? resolved : std::string(name ? name : "");
}

BmpImage* refuse(const std::string& shown, const Refusal& refusal) {
    if (!refusal.problem.empty()) warnMedia(shown, refusal.problem, "its texture stays empty");
    if (refusal.box) showError(refusal.box);
    return nullptr;
}

std::string openFailedText(const std::string& shown) {
    std::vector<char> text(sizeof openFailedFormat + shown.size());
    std::snprintf(text.data(), text.size(), openFailedFormat, shown.c_str());
    return text.data();
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
    const std::string path = resolveDataPath(name);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(std::filesystem::u8path(path), error);
    if (path.empty()) return nullptr;
    if (status.type() == std::filesystem::file_type::not_found) {
        // Listed, yet not there: a link that leads nowhere, which the start-up check counts as present.
        warnMedia(path, "is a link to nothing", "its texture stays empty");
        return nullptr;
    }
    if (std::filesystem::is_regular_file(status)) {
        std::FILE* probe = std::fopen(path.c_str(), "r");
        if (!probe) {
            warnMedia(path, std::string("cannot be read: ") + std::strerror(errno), "its texture stays empty");
            return nullptr;
        }
        std::fclose(probe);
    }
    return loadDibFile(name);
}

BmpImage* loadDibFile(const char* name) {
    const std::string shown = shownName(name);
    MediaFile file;
    switch (readMediaFile(resolveDataPath(name), pictureFileByteCap, &file)) {
        case MEDIA_READ: break;
        case MEDIA_NOT_REGULAR:
        case MEDIA_TOO_LARGE: return refuse(shown, {file.problem, conversionErrorText});
        default: {  // missing, unreadable or empty: it could not be brought into memory
            warnMedia(shown, file.problem.empty() ? "does not exist" : file.problem, "its texture stays empty");
            showError(openFailedText(shown).c_str());
            return nullptr;
        }
    }
    DibInfo info{};
    size_t bitsOffset = 0;
    Refusal refusal;
    if (!describe(file.bytes, shown, info, bitsOffset, &refusal)) return refuse(shown, refusal);
    const size_t size = static_cast<size_t>(info.width * info.height * 3);
    Target out{static_cast<unsigned char*>(std::calloc(size, 1)), info.width, info.height, false};
    BmpImage* image = static_cast<BmpImage*>(std::malloc(sizeof(BmpImage)));
    if (!out.pixels || !image) {
        std::free(out.pixels);
        std::free(image);
        return refuse(shown, {"needs more memory than there is", outOfMemoryText});
    }
    const unsigned char* bits = file.bytes.data() + bitsOffset;
    const size_t available = file.bytes.size() - bitsOffset;
    const bool runLength = info.compression == compressionRle8 || info.compression == compressionRle4;
    const bool converted =
        runLength ? decodeRunLength(info, bits, available, out) : decodeUncompressed(info, bits, available, out);
    if (!converted) {
        std::free(out.pixels);
        std::free(image);
        return refuse(shown, {runLength ? "ends before its run-length data reaches the end of the picture"
                                        : "ends before its pixels do",
                              conversionErrorText});
    }
    image->width = static_cast<int32_t>(info.width);
    image->height = static_cast<int32_t>(info.height);
    image->pixels = out.pixels;
    return image;
}
