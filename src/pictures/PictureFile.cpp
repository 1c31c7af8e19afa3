#include "pictures/PictureFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "pictures/JpegDecode.h"
#include "pictures/PngAlpha.h"
#include "platform/BmpFile.h"
#include "platform/FileOpen.h"

namespace {

constexpr char UnknownExtension[] = "Unknown picture file extension (.%s)";
constexpr char NoDecoder[] = "Picture files of this kind (.%s) cannot be read on this system";
constexpr char InvalidPng[] = "PNG image is not valid";

std::string Format(const char* pattern, const std::string& value)
{
    std::string text = pattern;
    text.replace(text.find("%s"), 2, value);
    return text;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

struct TFileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

TDIB FromBmp(std::span<const uint8_t> bytes)
{
    TBgrPixels pixels;
    try {
        pixels = ReadBmpFile(bytes, TDIB::MaxPixels);
    } catch (const EBmpFileError& error) {
        throw EInvalidGraphic(error.what());
    }
    TDIB dib;
    dib.SetSize(pixels.Width, pixels.Height, 24);
    size_t rowBytes = size_t(pixels.Width) * 3;
    for (int32_t y = 0; y < pixels.Height; ++y) {
        std::memcpy(dib.ScanLine(y), pixels.Bgr.data() + rowBytes * size_t(y), rowBytes);
    }
    return dib;
}

}

std::string PictureExtension(const std::string& fileName)
{
    size_t slash = fileName.find_last_of('/');
    size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    return fileName.substr(dot + 1);
}

std::vector<uint8_t> ReadPictureFileBytes(const std::string& fileName)
{
    std::unique_ptr<std::FILE, TFileClose> file(OpenFile(fileName, "rb"));
    if (!file) {
        throw EInvalidGraphic("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
    }
    std::vector<uint8_t> bytes;
    uint8_t block[1 << 16];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) {
        bytes.insert(bytes.end(), block, block + got);
    }
    if (std::ferror(file.get())) {
        throw EInvalidGraphic("Cannot read file \"" + fileName + "\". " + std::strerror(errno));
    }
    return bytes;
}

TDIB DecodePictureBytes(std::span<const uint8_t> bytes, const std::string& extension)
{
    std::string kind = Lower(extension);
    if (kind == "bmp" || kind == "dib") {
        return FromBmp(bytes);
    }
    if (kind == "jpg" || kind == "jpeg") {
        return DecodeJpeg(bytes);
    }
    if (kind == "png") {
        std::optional<TPngImage> image = DecodePng(bytes);
        if (!image) {
            throw EInvalidGraphic(InvalidPng);
        }
        // A picture on its own is drawn over black, like a slideshow's frame.
        TBitmap bitmap;
        bitmap.Dib.SetSize(image->Width, image->Height, 24);
        DrawPngImage(*image, bitmap);
        if (bitmap.Dib.BitCount() < 24) {
            bitmap.Dib.ConvertTo(24);
        }
        return std::move(bitmap.Dib);
    }
    if (kind == "ico" || kind == "emf" || kind == "wmf") {
        throw EInvalidGraphic(Format(NoDecoder, kind));
    }
    throw EInvalidGraphic(Format(UnknownExtension, kind));
}

TDIB LoadPictureFile(const std::string& fileName)
{
    std::string extension = PictureExtension(fileName);
    std::string kind = Lower(extension);
    if (kind != "bmp" && kind != "dib" && kind != "jpg" && kind != "jpeg" && kind != "png") {
        return DecodePictureBytes({}, extension);   // throws the extension's message
    }
    std::vector<uint8_t> bytes = ReadPictureFileBytes(fileName);
    return DecodePictureBytes(bytes, extension);
}
