// JPEG through libjpeg into memory, BMP by hand, the archive through minizip's zip writer.
// libjpeg's default error handler exits on failure; our inputs are always well-formed.
#include "encode.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <minizip/zip.h>
#include <png.h>

Bytes encodeJpeg(const Bytes& rgb, int width, int height, int quality) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = TRUE;  // still baseline: only the Huffman tables are tuned
    for (int c = 0; c < 3; ++c) cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(&rgb[size_t(cinfo.next_scanline) * width * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

namespace {

void put16(Bytes& b, unsigned v) {
    b.push_back(v & 255);
    b.push_back((v >> 8) & 255);
}
void put32(Bytes& b, unsigned v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

}  // namespace

Bytes encodeBmp(const Bytes& rgb, int width, int height) {
    const unsigned rowBytes = (unsigned(width) * 3 + 3) & ~3u;
    const unsigned imageBytes = rowBytes * unsigned(height);
    Bytes b;
    b.reserve(54 + imageBytes);
    b.push_back('B');
    b.push_back('M');
    put32(b, 54 + imageBytes);   // file size
    put32(b, 0);                 // reserved
    put32(b, 54);                // offset of the pixels
    put32(b, 40);                // header size
    put32(b, unsigned(width));   // width
    put32(b, unsigned(height));  // positive: bottom row first
    put16(b, 1);                 // planes
    put16(b, 24);                // bits per pixel
    put32(b, 0);                 // uncompressed
    put32(b, imageBytes);        // size of the pixels
    put32(b, 2835);              // 72 dpi across
    put32(b, 2835);              // and down
    put32(b, 0);                 // no palette
    put32(b, 0);                 // every colour important
    for (int j = height - 1; j >= 0; --j) {
        const unsigned char* row = &rgb[size_t(j) * width * 3];
        for (int i = 0; i < width; ++i) {
            b.push_back(row[3 * i + 2]);
            b.push_back(row[3 * i + 1]);
            b.push_back(row[3 * i + 0]);
        }
        for (unsigned pad = unsigned(width) * 3; pad < rowBytes; ++pad) b.push_back(0);
    }
    return b;
}

int writeZip(const std::string& path, const std::vector<std::pair<std::string, Bytes>>& entries) {
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) return 0;
    int ok = 1;
    for (const auto& [name, bytes] : entries) {
        zip_fileinfo info;
        std::memset(&info, 0, sizeof info);
        info.tmz_date.tm_year = 2026;
        info.tmz_date.tm_mon = 0;
        info.tmz_date.tm_mday = 1;
        // JPEG data barely deflates (under 2 %), so the entries are deflate streams of stored
        // blocks: inflate copies those with memcpy, where minizip copies a stored entry a byte
        // at a time, which made reading the archive a tenth of the start-up decode time.
        if (zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                Z_NO_COMPRESSION) != ZIP_OK ||
            zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size())) != ZIP_OK ||
            zipCloseFileInZip(zip) != ZIP_OK) {
            ok = 0;
            break;
        }
    }
    if (zipClose(zip, nullptr) != ZIP_OK) ok = 0;
    return ok;
}

// libpng's simplified writer stores no time or text chunks, so the bytes depend on the pixels alone.
Bytes encodePngRgba(const Bytes& rgba, int width, int height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    if (rgba.size() != size_t(width) * height * 4) return {};
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr)) return {};
    Bytes out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr)) return {};
    out.resize(size);
    return out;
}

int writeBytes(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok ? 1 : 0;
}
