#include "pictures/PictureSlots.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "pictures/JpegDecode.h"
#include "pictures/PictureFile.h"
#include "pictures/PictureShaping.h"
#include "platform/BmpFile.h"
#include "platform/FileStream.h"

namespace {

// A bubble's PNG is decoded whole (its later conversions need every pixel):
// beyond this many pixels it would cost more than the saver may spend on one
// picture, and its slot stays empty.
constexpr uint64_t MaxSlotPngPixels = uint64_t(4096) * 4096;
// A bubble's JPEG or PNG file is read whole before decoding; a longer file
// (junk named like a picture, or a photograph far beyond any bubble) is refused.
constexpr uint64_t MaxSlotFileBytes = uint64_t(64) << 20;
// Enough of a PNG for its size.
constexpr size_t PngHeaderBytes = 32;

// The first bytes of a file, read as every picture file is (regular files
// only, never waiting long); empty when it cannot be read.
std::vector<uint8_t> FileHeader(const std::string& fileName, size_t size)
{
    std::vector<uint8_t> header(size);
    try {
        TFileStream stream(fileName);
        size_t have = 0;
        while (have < size) {
            const size_t got = stream.Read(header.data() + have, size - have);
            if (got == 0)
                break;
            have += got;
        }
        header.resize(have);
    } catch (const std::exception&) {
        header.clear();
    }
    return header;
}

struct TSlotRequest {
    bool Used = false;
    std::string FileName;
    TSlotPath Path = TSlotPath::Generic;
};

// One slot's picture after decoding. PNG pictures are kept whole, because
// their drawing depends on the scratch bitmap; the others never look at the
// scratch bitmap, so only what later steps read of them is kept.
struct TSlotDecode {
    bool Converted = false;
    std::optional<TPngImage> Png;
    TDIB Samples;   // the 256 × 256 samples of the converted picture
    TDIB Crop;      // its top-left part, as far as a later PNG can reach
};

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

bool FileExists(const std::string& name)
{
    std::error_code error;
    return !name.empty() && std::filesystem::is_regular_file(name, error);
}

TSlotRequest RequestFor(const TStringList* list, int slot)
{
    TSlotRequest request;
    if (list == nullptr || list->size() < size_t(slot)) {
        return request;
    }
    request.FileName = TrimText((*list)[size_t(slot) - 1]);
    request.Used = FileExists(request.FileName);
    request.Path = ChooseSlotPath(request.FileName);
    return request;
}

// A JPEG decoded row by row, keeping only the rows and columns the 256 × 256
// samples read and the top-left part later conversions can reach, so that a
// large photograph never has to be held whole.
void DecodeJpegSlot(const std::vector<uint8_t>& bytes, const TPngSize& cropLimit, TSlotDecode& decode)
{
    std::vector<int32_t> columns(PictureTextureSize), rows(PictureTextureSize);
    int32_t nextSample = 0;
    DecodeJpegRows(
        bytes,
        [&](const TJpegSize& size) {
            for (int32_t i = 0; i < PictureTextureSize; ++i) {
                columns[size_t(i)] = int32_t((int64_t(2 * i + 1) * size.Width) / (2 * PictureTextureSize));
                rows[size_t(i)] = int32_t((int64_t(2 * i + 1) * size.Height) / (2 * PictureTextureSize));
            }
            decode.Samples.SetSize(PictureTextureSize, PictureTextureSize, 24);
            decode.Crop.SetSize(std::min(size.Width, cropLimit.Width), std::min(size.Height, cropLimit.Height), 24);
        },
        [&](int32_t y, const uint8_t* bgr) {
            if (y < decode.Crop.Height()) {
                std::memcpy(decode.Crop.ScanLine(y), bgr, size_t(decode.Crop.Width()) * 3);
            }
            for (; nextSample < PictureTextureSize && rows[size_t(nextSample)] == y; ++nextSample) {
                uint8_t* out = decode.Samples.ScanLine(nextSample);
                for (int32_t x = 0; x < PictureTextureSize; ++x) {
                    std::memcpy(out + 3 * size_t(x), bgr + 3 * size_t(columns[size_t(x)]), 3);
                }
            }
        });
}

// Loading by name, then a 256 × 256 stretch of the picture.
void DecodeGenericSlot(const std::string& fileName, const TPngSize& cropLimit, TSlotDecode& decode)
{
    TDIB picture = LoadPictureFile(fileName);
    decode.Samples.SetSize(PictureTextureSize, PictureTextureSize, 24);
    decode.Samples.StretchDraw(decode.Samples.BoundsRect(), picture, picture.BoundsRect());
    decode.Crop = decode.Samples;
    CropTopLeft(decode.Crop, cropLimit.Width, cropLimit.Height);
}

TSlotDecode DecodeSlot(const TSlotRequest& request, const TPngSize& cropLimit)
{
    TSlotDecode decode;
    if (!request.Used) {
        return decode;
    }
    try {
        if (request.Path == TSlotPath::Generic) {
            DecodeGenericSlot(request.FileName, cropLimit, decode);
        } else {
            std::vector<uint8_t> bytes = ReadPictureFileBytes(request.FileName, MaxSlotFileBytes);
            if (request.Path == TSlotPath::Png) {
                const std::optional<TPngSize> size = ReadPngSize(bytes);
                if (size && uint64_t(size->Width) * uint64_t(size->Height) > MaxSlotPngPixels) {
                    return decode;
                }
                decode.Png = DecodePng(bytes);
                if (!decode.Png) {
                    return decode;
                }
            } else {
                DecodeJpegSlot(bytes, cropLimit, decode);
            }
        }
        decode.Converted = true;
    } catch (const std::exception&) {
        // A picture that cannot be read leaves its slot empty and the
        // scratch bitmap as it was; the other slots go on.
        decode = TSlotDecode{};
    }
    return decode;
}

// How far into the scratch bitmap any later PNG conversion can reach: the
// largest PNG picture of the list and the mask.
TPngSize CropLimitFor(const std::array<TSlotRequest, PictureSlotCount + 1>& requests, const TPngImage* mask)
{
    TPngSize limit;
    if (mask != nullptr) {
        limit = TPngSize{mask->Width, mask->Height};
    }
    for (int slot = 1; slot <= PictureSlotCount; ++slot) {
        const TSlotRequest& request = requests[size_t(slot)];
        if (!request.Used || request.Path != TSlotPath::Png) {
            continue;
        }
        const std::vector<uint8_t> header = FileHeader(request.FileName, PngHeaderBytes);
        if (std::optional<TPngSize> size = ReadPngSize(header)) {
            limit.Width = std::max(limit.Width, size->Width);
            limit.Height = std::max(limit.Height, size->Height);
        }
    }
    return limit;
}

// Decodes the slots on worker threads, at most a few ahead of the slot the
// caller is converting, so that no more decoded pictures wait in memory than
// there are workers.
class TSlotDecoder {
public:
    TSlotDecoder(const std::array<TSlotRequest, PictureSlotCount + 1>& requests, const TPngSize& cropLimit)
        : requests_(requests), cropLimit_(cropLimit)
    {
        unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, unsigned(PictureSlotCount));
        for (unsigned i = 0; i < count; ++i) {
            workers_.emplace_back([this, count] { Work(int(count)); });
        }
    }

    ~TSlotDecoder()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        for (std::thread& worker : workers_) {
            worker.join();
        }
    }

    TSlotDecoder(const TSlotDecoder&) = delete;
    TSlotDecoder& operator=(const TSlotDecoder&) = delete;

    // Waits for the slot's decode and hands it over; slots are taken in order.
    TSlotDecode Take(int slot)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return done_[size_t(slot)]; });
        taken_ = slot;
        changed_.notify_all();
        return std::move(results_[size_t(slot)]);
    }

private:
    void Work(int lookahead)
    {
        WorkOn(lookahead);
        ReleaseBmpThreadState();
    }

    void WorkOn(int lookahead)
    {
        std::unique_lock lock(mutex_);
        while (true) {
            changed_.wait(lock, [&] { return stopping_ || next_ > PictureSlotCount || next_ <= taken_ + lookahead; });
            if (stopping_ || next_ > PictureSlotCount) {
                return;
            }
            int slot = next_++;
            lock.unlock();
            TSlotDecode decode = DecodeSlot(requests_[size_t(slot)], cropLimit_);
            lock.lock();
            results_[size_t(slot)] = std::move(decode);
            done_[size_t(slot)] = true;
            changed_.notify_all();
        }
    }

    const std::array<TSlotRequest, PictureSlotCount + 1>& requests_;
    TPngSize cropLimit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::array<TSlotDecode, PictureSlotCount + 1> results_;
    std::array<bool, PictureSlotCount + 1> done_{};
    int next_ = 1;
    int taken_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}

TSlotPath ChooseSlotPath(const std::string& path)
{
    std::string upper = Upper(path);
    if (upper.find(".PNG") != std::string::npos) {
        return TSlotPath::Png;
    }
    if (upper.find(".JPG") != std::string::npos || upper.find(".JPEG") != std::string::npos) {
        return TSlotPath::Jpeg;
    }
    return TSlotPath::Generic;
}

std::string TrimText(const std::string& text)
{
    size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') {
        ++first;
    }
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') {
        --last;
    }
    return text.substr(first, last - first);
}

void ConvertPictureSlots(const TStringList* ballPicList, const TPngImage* mask, TBitmap& scratch,
                         TMemoryStream& stream, TPictureDIBs& slots)
{
    std::array<TSlotRequest, PictureSlotCount + 1> requests;
    bool any = false;
    for (int slot = 1; slot <= PictureSlotCount; ++slot) {
        requests[size_t(slot)] = RequestFor(ballPicList, slot);
        any = any || requests[size_t(slot)].Used;
    }
    if (!any) {
        return;
    }
    TPngSize cropLimit = CropLimitFor(requests, mask);
    TSlotDecoder decoder(requests, cropLimit);
    for (int slot = 1; slot <= PictureSlotCount; ++slot) {
        TSlotDecode decode = decoder.Take(slot);
        if (!decode.Converted) {
            continue;
        }
        TDIB samples;
        bool ownAlpha = false;
        if (decode.Png) {
            DrawPngImage(*decode.Png, scratch);
            decode.Png.reset();
            samples = SamplePicture(scratch.Dib);
            ownAlpha = scratch.Dib.HasOwnAlpha();
        } else {
            scratch.Dib = std::move(decode.Crop);
            scratch.Transparent = false;
            samples = std::move(decode.Samples);
        }
        CropTopLeft(scratch.Dib, cropLimit.Width, cropLimit.Height);
        TDIB maskDib;
        bool masked = !ownAlpha && mask != nullptr;
        if (masked) {
            DrawPngImage(*mask, scratch);
            HandOver(scratch.Dib, stream, maskDib);
            CropTopLeft(scratch.Dib, cropLimit.Width, cropLimit.Height);
        }
        slots[size_t(slot)] = std::make_unique<TDIB>(ShapePicture(samples, ownAlpha, masked ? &maskDib : nullptr));
    }
}
