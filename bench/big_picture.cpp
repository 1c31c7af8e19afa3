// big_picture png|jpeg WIDTH HEIGHT FILE: writes a picture of any size row by
// row (a colour gradient), for measuring what huge pictures cost the saver.
// Nothing of it is kept in memory but one row.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <vector>

namespace {

void FillRow(std::vector<unsigned char>& row, unsigned width, unsigned y)
{
    for (unsigned x = 0; x < width; ++x) {
        row[3 * x] = static_cast<unsigned char>(x * 255 / width);
        row[3 * x + 1] = static_cast<unsigned char>(y % 256);
        row[3 * x + 2] = static_cast<unsigned char>(255 - x * 255 / width);
    }
}

int WritePng(std::FILE* file, unsigned width, unsigned height)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
        return 1;
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<unsigned char> row(size_t(width) * 3);
    for (unsigned y = 0; y < height; ++y) {
        FillRow(row, width, y);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return 0;
}

int WriteJpeg(std::FILE* file, unsigned width, unsigned height)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 50, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(size_t(width) * 3);
    while (info.next_scanline < height) {
        FillRow(row, width, info.next_scanline);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return 0;
}

}

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s png|jpeg WIDTH HEIGHT FILE\n", argv[0]);
        return 2;
    }
    const unsigned width = unsigned(std::strtoul(argv[2], nullptr, 10));
    const unsigned height = unsigned(std::strtoul(argv[3], nullptr, 10));
    std::FILE* file = std::fopen(argv[4], "wb");
    if (!file)
        return 1;
    const int result = std::strcmp(argv[1], "png") == 0 ? WritePng(file, width, height) : WriteJpeg(file, width, height);
    return std::fclose(file) == 0 ? result : 1;
}
