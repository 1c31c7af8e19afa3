#include "pictures/PictureFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "pictures/JpegDecode.h"
#include "pictures/PngAlpha.h"
#include "pictures/PngReduced.h"
#include "pictures/RowReducer.h"
#include "platform/BmpFile.h"
#include "platform/FileStream.h"

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

constexpr size_t ReadBlock = 1 << 16;
// A PNG signature, chunk length and type, width and height.
constexpr size_t PngHeaderSize = 24;
constexpr uint64_t BytesPerBudgetPixel = 4;
constexpr uint64_t BoxesInBudget = 2;

uint64_t BudgetBytes(const TPictureBox& box)
{
    return BoxesInBudget * BytesPerBudgetPixel * uint64_t(std::max(box.Width, 1)) * uint64_t(std::max(box.Height, 1));
}

std::string TooLarge(const std::string& what)
{
    return "The picture is too large to show (" + what + ")";
}

// The stream as a reader for the decoders, which also gives up once `stop` is set.
class TStreamReader {
public:
    TStreamReader(TFileStream& stream, const std::atomic<bool>* stop) : stream_(stream), stop_(stop) {}
    size_t operator()(uint8_t* buffer, size_t size)
    {
        if (stop_ && stop_->load())
            throw EFileStreamStopped("Reading \"" + stream_.Path() + "\" was stopped");
        if (!replay_.empty()) {
            const size_t taken = std::min(size, replay_.size() - replayed_);
            std::memcpy(buffer, replay_.data() + replayed_, taken);
            replayed_ += taken;
            if (replayed_ == replay_.size())
                replay_.clear();
            return taken;
        }
        try {
            return stream_.Read(buffer, size);
        } catch (const EFileStreamError& error) {
            throw EInvalidGraphic(error.what());
        }
    }
    uint64_t Size()
    {
        try {
            return stream_.Size();
        } catch (const EFileStreamError& error) {
            throw EInvalidGraphic(error.what());
        }
    }
    // Reads the first bytes and keeps them to be read again.
    std::vector<uint8_t> Peek(size_t size)
    {
        std::vector<uint8_t> bytes(size);
        size_t have = 0;
        while (have < size) {
            const size_t got = (*this)(bytes.data() + have, size - have);
            if (got == 0)
                break;
            have += got;
        }
        bytes.resize(have);
        replay_ = bytes;
        replayed_ = 0;
        return bytes;
    }
    // Everything left, refused beyond maxBytes.
    std::vector<uint8_t> ReadRest(std::vector<uint8_t> bytes, uint64_t maxBytes)
    {
        replay_.clear();
        uint8_t block[ReadBlock];
        size_t got;
        while ((got = (*this)(block, sizeof block)) > 0) {
            if (bytes.size() + got > maxBytes)
                throw EPictureTooLarge(TooLarge("the file " + std::to_string(Size()) + " bytes"));
            bytes.insert(bytes.end(), block, block + got);
        }
        return bytes;
    }

private:
    TFileStream& stream_;
    const std::atomic<bool>* stop_;
    std::vector<uint8_t> replay_;
    size_t replayed_ = 0;
};

TLoadedPicture Loaded(TDIB dib)
{
    TLoadedPicture picture;
    picture.Width = dib.Width();
    picture.Height = dib.Height();
    picture.Dib = std::move(dib);
    return picture;
}

TLoadedPicture LoadJpeg(TStreamReader& reader, const TPictureBox& box)
{
    TLoadedPicture picture;
    std::optional<TRowReducer> reducer;
    size_t rowBytes = 0;
    DecodeJpegStream(
        reader, box.Width, box.Height,
        [&](const TJpegSize& full, const TJpegSize& rows) {
            picture.Width = full.Width;
            picture.Height = full.Height;
            const TReducedSize size = ReducedSize(full.Width, full.Height, box.Width, box.Height);
            if (rows.Width == size.Width && rows.Height == size.Height) {
                picture.Dib.SetSize(rows.Width, rows.Height, 24);
                rowBytes = size_t(rows.Width) * 3;
            } else {
                reducer.emplace(rows.Width, rows.Height, size.Width, size.Height);
            }
        },
        [&](int32_t y, const uint8_t* bgr) {
            if (reducer)
                reducer->AddRow(bgr);
            else
                std::memcpy(picture.Dib.ScanLine(y), bgr, rowBytes);
        });
    if (reducer)
        picture.Dib = std::move(reducer->Result());
    return picture;
}

TLoadedPicture LoadPng(TStreamReader& reader, const TPictureBox& box)
{
    const std::vector<uint8_t> header = reader.Peek(PngHeaderSize);
    const std::optional<TPngSize> size = ReadPngSize(header);
    if (size && size->Width <= box.Width && size->Height <= box.Height)
        return Loaded(DecodePictureBytes(reader.ReadRest(header, BudgetBytes(box)), "png"));
    TLoadedPicture picture;
    picture.Dib = DecodePngReduced(reader, box.Width, box.Height, BudgetBytes(box), picture.Width, picture.Height);
    return picture;
}



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

std::vector<uint8_t> ReadPictureFileBytes(const std::string& fileName, uint64_t maxBytes,
                                          const std::atomic<bool>* stop)
{
    TFileStream stream(fileName, stop);
    TStreamReader reader(stream, stop);
    if (reader.Size() > maxBytes)
        throw EPictureTooLarge(TooLarge("the file " + std::to_string(reader.Size()) + " bytes"));
    return reader.ReadRest({}, maxBytes);
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

TLoadedPicture LoadPicture(const std::string& fileName, const TPictureBox& box, const std::atomic<bool>* stop)
{
    std::string extension = PictureExtension(fileName);
    std::string kind = Lower(extension);
    if (kind != "bmp" && kind != "dib" && kind != "jpg" && kind != "jpeg" && kind != "png") {
        DecodePictureBytes({}, extension);   // throws the extension's message
    }
    TFileStream stream(fileName, stop);
    TStreamReader reader(stream, stop);
    if (kind == "jpg" || kind == "jpeg")
        return LoadJpeg(reader, box);
    if (kind == "png")
        return LoadPng(reader, box);
    // A bitmap file holds its pixels unpacked or nearly so: its length tells its cost.
    if (reader.Size() > BudgetBytes(box))
        throw EPictureTooLarge(TooLarge("the file " + std::to_string(reader.Size()) + " bytes"));
    return Loaded(DecodePictureBytes(reader.ReadRest({}, BudgetBytes(box)), extension));
}

TDIB LoadPictureFile(const std::string& fileName) { return LoadPicture(fileName, TPictureBox{}).Dib; }
