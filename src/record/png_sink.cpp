// The recorder's PNG writer: one RGB frame per file, written with libpng at a fast
// compression level, since a recording holds thousands of them.
#include "record/sink.h"

#include <png.h>

#include <csetjmp>

namespace {
// Kept free of C++ objects with destructors: libpng reports errors by longjmp.
int encode(std::FILE* file, const uint8_t* rgb, int width, int height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 3);
    png_set_filter(png, 0, PNG_FILTER_SUB);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(rgb + static_cast<size_t>(y) * width * 3));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return 1;
}
}  // namespace

int writePng(const std::string& path, const uint8_t* rgb, int width, int height) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    const int ok = encode(file, rgb, width, height);
    return (std::fclose(file) == 0) && ok;
}
