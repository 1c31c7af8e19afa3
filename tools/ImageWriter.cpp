#include "ImageWriter.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace {

uint8_t Byte(float v)
{
    return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

std::FILE* OpenForWriting(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        throw std::runtime_error("cannot write " + path);
    }
    return file;
}

}

TCanvas::TCanvas(int width, int height)
    : Width(width), Height(height), Red(size_t(width) * height), Green(size_t(width) * height),
      Blue(size_t(width) * height), Alpha(size_t(width) * height)
{
}

void TCanvas::Over(int x, int y, float r, float g, float b, float a)
{
    if (x < 0 || y < 0 || x >= Width || y >= Height || a <= 0) {
        return;
    }
    size_t i = At(x, y);
    float under = Alpha[i] * (1 - a);
    float out = a + under;
    Red[i] = (r * a + Red[i] * under) / out;
    Green[i] = (g * a + Green[i] * under) / out;
    Blue[i] = (b * a + Blue[i] * under) / out;
    Alpha[i] = out;
}

void WritePng(const std::string& path, const TCanvas& canvas, bool grey)
{
    int channels = grey ? 2 : 4;
    // Made before the jump point, so that an error jumping back skips no destructor.
    std::vector<uint8_t> row(size_t(canvas.Width) * channels);
    std::FILE* file = OpenForWriting(path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        throw std::runtime_error("cannot encode " + path);
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, canvas.Width, canvas.Height, 8, grey ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < canvas.Height; ++y) {
        for (int x = 0; x < canvas.Width; ++x) {
            size_t i = canvas.At(x, y);
            uint8_t* p = row.data() + size_t(x) * channels;
            // Fully clear pixels carry no colour, which keeps the files small.
            bool clear = Byte(canvas.Alpha[i]) == 0;
            p[0] = clear ? 0 : Byte(canvas.Red[i]);
            if (!grey) {
                p[1] = clear ? 0 : Byte(canvas.Green[i]);
                p[2] = clear ? 0 : Byte(canvas.Blue[i]);
            }
            p[channels - 1] = Byte(canvas.Alpha[i]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

void WriteJpeg(const std::string& path, const TCanvas& canvas, int quality)
{
    std::FILE* file = OpenForWriting(path);
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(canvas.Width);
    info.image_height = JDIMENSION(canvas.Height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(canvas.Width) * 3);
    for (int y = 0; y < canvas.Height; ++y) {
        for (int x = 0; x < canvas.Width; ++x) {
            size_t i = canvas.At(x, y);
            row[3 * x] = Byte(canvas.Red[i]);
            row[3 * x + 1] = Byte(canvas.Green[i]);
            row[3 * x + 2] = Byte(canvas.Blue[i]);
        }
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}
