#include "PictureFixtures.h"

#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "render/TMemoryStream.h"

namespace {

void Append(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void PutSample(std::vector<uint8_t>& row, size_t index, uint32_t value, int depth)
{
    if (depth == 16) {
        row[2 * index] = uint8_t(value >> 8);
        row[2 * index + 1] = uint8_t(value);
    } else if (depth == 8) {
        row[index] = uint8_t(value);
    } else {
        size_t bit = index * size_t(depth);
        row[bit / 8] = uint8_t(row[bit / 8] | (value << (8 - depth - bit % 8)));
    }
}

int Channels(int colorType)
{
    switch (colorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
    }
}

}

std::vector<uint8_t> MakePng(const TPngRecipe& recipe)
{
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("test PNG not made");
    }
    png_set_write_fn(png, &out, Append, nullptr);
    png_set_IHDR(png, info, recipe.Width, recipe.Height, recipe.BitDepth, recipe.ColorType,
                 recipe.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (uint32_t c : recipe.Palette) {
        palette.push_back(png_color{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    }
    if (!palette.empty()) {
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    }
    png_color_16 trans{};
    if (!recipe.PaletteAlpha.empty()) {
        png_set_tRNS(png, info, recipe.PaletteAlpha.data(), int(recipe.PaletteAlpha.size()), nullptr);
    } else if (!recipe.TransparentColour.empty()) {
        if (recipe.TransparentColour.size() == 1) {
            trans.gray = recipe.TransparentColour[0];
        } else {
            trans.red = recipe.TransparentColour[0];
            trans.green = recipe.TransparentColour[1];
            trans.blue = recipe.TransparentColour[2];
        }
        png_set_tRNS(png, info, nullptr, 0, &trans);
    }
    png_write_info(png, info);
    int channels = Channels(recipe.ColorType);
    size_t rowBytes = (size_t(recipe.Width) * channels * recipe.BitDepth + 7) / 8;
    std::vector<std::vector<uint8_t>> rows(size_t(recipe.Height), std::vector<uint8_t>(rowBytes));
    std::vector<png_bytep> pointers;
    for (int y = 0; y < recipe.Height; ++y) {
        for (int x = 0; x < recipe.Width; ++x) {
            std::vector<uint32_t> samples = recipe.Samples(x, y);
            for (int c = 0; c < channels; ++c) {
                PutSample(rows[size_t(y)], size_t(x) * channels + c, samples[size_t(c)], recipe.BitDepth);
            }
        }
        pointers.push_back(rows[size_t(y)].data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<uint8_t> MakeJpeg(int width, int height, const std::function<uint32_t(int x, int y)>& colour,
                              int quality, bool grey)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = grey ? 1 : 3;
    info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t c = colour(x, y);
            if (grey) {
                row[size_t(x)] = uint8_t(c);
            } else {
                row[3 * size_t(x)] = uint8_t(c >> 16);
                row[3 * size_t(x) + 1] = uint8_t(c >> 8);
                row[3 * size_t(x) + 2] = uint8_t(c);
            }
        }
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

std::vector<uint8_t> MakeBmp(const TDIB& dib)
{
    TMemoryStream stream;
    dib.SaveToStream(stream);
    return stream.Bytes();
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TTempFolder::TTempFolder()
{
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("tessaly-pictures-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TTempFolder::~TTempFolder()
{
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}
