// Fixture builders for the asset tests: zip archives written through minizip's zip
// interface, JPEGs encoded with libjpeg, and BMP/TGA bytes composed field by field.
#pragma once

#include <minizip/zip.h>
#include <zlib.h>

#include <cstdio>  // jpeglib.h needs FILE declared first

#include <jpeglib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

struct ZipItem {
    std::string name;
    Bytes content;
    bool deflate = true;
    bool wrongCrc = false;  // stored raw with a CRC that does not match the content
    int level = Z_DEFAULT_COMPRESSION;  // Z_NO_COMPRESSION: deflate made of stored blocks
};

inline bool writeZip(const std::string& path, const std::vector<ZipItem>& items) {
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) return false;
    for (const ZipItem& item : items) {
        zip_fileinfo info{};
        const int method = item.deflate && !item.wrongCrc ? Z_DEFLATED : 0;
        if (zipOpenNewFileInZip2(zip, item.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                                 item.level, item.wrongCrc ? 1 : 0) != ZIP_OK)
            return false;
        if (!item.content.empty())
            zipWriteInFileInZip(zip, item.content.data(), static_cast<unsigned>(item.content.size()));
        if (item.wrongCrc) {
            const uLong crc = crc32(0, item.content.data(), static_cast<uInt>(item.content.size())) ^ 0x5A5A5A5Au;
            zipCloseFileInZipRaw(zip, item.content.size(), crc);
        } else {
            zipCloseFileInZip(zip);
        }
    }
    return zipClose(zip, nullptr) == ZIP_OK;
}

// A JPEG of `components` channels (1 grey, 3 RGB, 4 CMYK); `pixels` top row first.
inline Bytes encodeJpeg(int width, int height, int components, const Bytes& pixels, int quality = 95,
                        bool progressive = false) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(pixels.data()) + cinfo.next_scanline * width * components;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes result(out, out + outSize);
    std::free(out);
    return result;
}

// The same JPEG with another size in its frame header, as a damaged or hostile file would
// announce it; the scan data stays that of the real picture.
inline Bytes withJpegSize(Bytes jpeg, uint16_t width, uint16_t height) {
    for (size_t at = 2; at + 9 <= jpeg.size() && jpeg[at] == 0xFF;) {
        const unsigned marker = jpeg[at + 1];
        if (marker >= 0xC0 && marker <= 0xC2) {
            jpeg[at + 5] = static_cast<unsigned char>(height >> 8);
            jpeg[at + 6] = static_cast<unsigned char>(height);
            jpeg[at + 7] = static_cast<unsigned char>(width >> 8);
            jpeg[at + 8] = static_cast<unsigned char>(width);
            break;
        }
        at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
    }
    return jpeg;
}

// A smooth colour picture that survives JPEG compression recognisably.
inline Bytes gradientPixels(int width, int height, int components = 3) {
    Bytes p(static_cast<size_t>(width) * height * components);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                p[(static_cast<size_t>(y) * width + x) * components + c] =
                    static_cast<unsigned char>(c == 0 ? x * 255 / (width > 1 ? width - 1 : 1)
                                                      : c == 1 ? y * 255 / (height > 1 ? height - 1 : 1) : 128);
    return p;
}

inline void putLe16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
inline void putLe32(Bytes& b, uint32_t v) {
    putLe16(b, v & 0xFFFF);
    putLe16(b, v >> 16);
}
inline void append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// The 40-byte picture header.
inline Bytes longDibHeader(int32_t width, int32_t height, int bits, uint32_t compression = 0,
                           uint32_t coloursUsed = 0, uint32_t size = 40) {
    Bytes h;
    putLe32(h, size);
    putLe32(h, static_cast<uint32_t>(width));
    putLe32(h, static_cast<uint32_t>(height));
    putLe16(h, 1);
    putLe16(h, static_cast<uint32_t>(bits));
    putLe32(h, compression);
    for (int i = 0; i < 3; ++i) putLe32(h, 0);  // image size, resolutions
    putLe32(h, coloursUsed);
    putLe32(h, 0);
    while (h.size() < size) h.push_back(0);
    return h;
}

// The 12-byte picture header.
inline Bytes shortDibHeader(int width, int height, int bits) {
    Bytes h;
    putLe32(h, 12);
    putLe16(h, static_cast<uint32_t>(width));
    putLe16(h, static_cast<uint32_t>(height));
    putLe16(h, 1);
    putLe16(h, static_cast<uint32_t>(bits));
    return h;
}

// "BM", the file header pointing at `bitsOffset` (default: right after `description`).
inline Bytes bmpFile(const Bytes& description, const Bytes& bits, int64_t bitsOffset = -1) {
    Bytes f = {'B', 'M'};
    const uint32_t offset = bitsOffset < 0 ? static_cast<uint32_t>(14 + description.size())
                                           : static_cast<uint32_t>(bitsOffset);
    putLe32(f, static_cast<uint32_t>(14 + description.size() + bits.size()));
    putLe32(f, 0);
    putLe32(f, offset);
    append(f, description);
    while (f.size() < offset) f.push_back(0xEE);  // a gap the reader must jump
    append(f, bits);
    return f;
}

// TGA bytes: header (type, size, depth, descriptor) then `body` verbatim.
inline Bytes tgaFile(int type, int width, int height, int depth, int descriptor, const Bytes& body,
                     int colourMapType = 0) {
    Bytes t = {0, static_cast<unsigned char>(colourMapType), static_cast<unsigned char>(type), 0, 0, 0, 0, 0,
               0, 0, 0, 0};
    putLe16(t, static_cast<uint32_t>(width));
    putLe16(t, static_cast<uint32_t>(height));
    t.push_back(static_cast<unsigned char>(depth));
    t.push_back(static_cast<unsigned char>(descriptor));
    append(t, body);
    return t;
}
