#include "pictures/JpegDecode.h"

#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "pictures/RowReducer.h"

namespace {

// The library reports errors by calling error_exit, which must not return;
// by default it ends the process. Ours jumps back to the decode, which
// releases the decoder and throws the message as an exception from C++ code
// (throwing straight through the library's C frames would not be safe).
struct TErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<TErrorManager*>(info->err);
    info->err->format_message(info, manager->Message);
    std::longjmp(manager->Jump, 1);
}

// Warnings about damaged data are not errors: the picture is shown as far as
// it decodes, and nothing is printed.
void QuietMessage(j_common_ptr) {}

enum class TStage { Header, Full };

constexpr size_t StreamBufferSize = 1 << 16;
// The two bytes of an end-of-image marker, fed to the library when the file
// ends early, as its own file source does.
constexpr JOCTET FakeEnd[2] = {0xFF, JPEG_EOI};
constexpr unsigned LargestScaleDenominator = 8;

struct TJpegDecode;

// The library's source manager, pulling from a reader.
struct TStreamSource {
    jpeg_source_mgr Base;
    TJpegDecode* Decode;
};

struct TJpegDecode {
    std::span<const uint8_t> Bytes;
    const TJpegReader* Read = nullptr;
    TStreamSource Source{};
    std::vector<uint8_t> Buffer;
    std::exception_ptr ReadError;
    int32_t BoxWidth = 0;
    int32_t BoxHeight = 0;
    const std::function<void(const TJpegSize&, const TJpegSize&)>* OnScaledSize = nullptr;
    TStage Stage = TStage::Full;
    const std::function<void(const TJpegSize&)>* OnSize = nullptr;
    const std::function<void(int32_t, const uint8_t*)>* OnRow = nullptr;
    TJpegSize Size;
    jpeg_decompress_struct Info{};
    TErrorManager Errors;
    std::vector<uint8_t> Row;
    std::vector<uint8_t> Bgr;
};

uint8_t Ink(uint8_t value, uint8_t black, bool inverted)
{
    // Adobe stores CMYK inverted: 255 means no ink.
    unsigned c = inverted ? value : 255u - value;
    unsigned k = inverted ? black : 255u - black;
    return uint8_t(c * k / 255);
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// Runs inside the library's frames: a reader's exception is kept and the
// library is left through its error exit.
boolean FillInputBuffer(j_decompress_ptr info)
{
    auto* source = reinterpret_cast<TStreamSource*>(info->src);
    TJpegDecode* d = source->Decode;
    size_t got = 0;
    try {
        got = (*d->Read)(d->Buffer.data(), d->Buffer.size());
    } catch (...) {
        d->ReadError = std::current_exception();
    }
    // Outside the handler: jumping out of one would leave the exception half-caught.
    if (d->ReadError)
        ERREXIT(info, JERR_FILE_READ);
    if (got == 0) {
        WARNMS(info, JWRN_JPEG_EOF);
        source->Base.next_input_byte = FakeEnd;
        source->Base.bytes_in_buffer = sizeof FakeEnd;
        return TRUE;
    }
    source->Base.next_input_byte = d->Buffer.data();
    source->Base.bytes_in_buffer = got;
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count)
{
    jpeg_source_mgr* source = info->src;
    while (count > long(source->bytes_in_buffer)) {
        count -= long(source->bytes_in_buffer);
        source->bytes_in_buffer = 0;
        FillInputBuffer(info);
    }
    if (count > 0) {
        source->next_input_byte += count;
        source->bytes_in_buffer -= size_t(count);
    }
}

void UseStreamSource(TJpegDecode* d)
{
    d->Buffer.resize(StreamBufferSize);
    d->Source.Decode = d;
    jpeg_source_mgr& base = d->Source.Base;
    base.init_source = InitSource;
    base.fill_input_buffer = FillInputBuffer;
    base.skip_input_data = SkipInputData;
    base.resync_to_restart = jpeg_resync_to_restart;
    base.term_source = TermSource;
    base.bytes_in_buffer = 0;
    base.next_input_byte = nullptr;
    d->Info.src = &base;
}

// The largest of the library's reductions that keeps at least the size the
// picture is reduced to for the box.
void ChooseScale(jpeg_decompress_struct* info, int32_t boxWidth, int32_t boxHeight)
{
    const TReducedSize wanted = ReducedSize(int32_t(info->image_width), int32_t(info->image_height), boxWidth, boxHeight);
    const int32_t minWidth = wanted.Width;
    const int32_t minHeight = wanted.Height;
    info->scale_num = 1;
    for (unsigned denominator = LargestScaleDenominator; denominator > 1; denominator /= 2) {
        if (info->image_width / denominator >= unsigned(std::max(minWidth, 1)) &&
            info->image_height / denominator >= unsigned(std::max(minHeight, 1))) {
            info->scale_denom = denominator;
            return;
        }
    }
    info->scale_denom = 1;
}

void Decode(TJpegDecode* d)
{
    jpeg_decompress_struct* info = &d->Info;
    jpeg_create_decompress(info);
    if (d->Read)
        UseStreamSource(d);
    else
        jpeg_mem_src(info, d->Bytes.data(), static_cast<unsigned long>(d->Bytes.size()));
    jpeg_read_header(info, TRUE);
    d->Size = TJpegSize{int32_t(info->image_width), int32_t(info->image_height)};
    if (d->OnScaledSize) {
        // Only the reduced rows are ever held.
        ChooseScale(info, d->BoxWidth, d->BoxHeight);
        jpeg_calc_output_dimensions(info);
    }
    const unsigned width = d->OnScaledSize ? info->output_width : info->image_width;
    const unsigned height = d->OnScaledSize ? info->output_height : info->image_height;
    if (width > unsigned(TDIB::MaxSide) || height > unsigned(TDIB::MaxSide) ||
        uint64_t(width) * height > TDIB::MaxPixels) {
        ERREXIT1(info, JERR_IMAGE_TOO_BIG, unsigned(TDIB::MaxSide));
    }
    if (d->Stage == TStage::Header) {
        return;
    }
    bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(info);
    if (d->OnScaledSize)
        (*d->OnScaledSize)(d->Size, TJpegSize{int32_t(info->output_width), int32_t(info->output_height)});
    else
        (*d->OnSize)(d->Size);
    d->Row.resize(size_t(info->output_width) * info->output_components);
    d->Bgr.resize(size_t(info->output_width) * 3);
    while (info->output_scanline < info->output_height) {
        int32_t y = int32_t(info->output_scanline);
        JSAMPROW row = d->Row.data();
        jpeg_read_scanlines(info, &row, 1);
        const uint8_t* bgr = d->Row.data();
        if (cmyk) {
            bool inverted = info->saw_Adobe_marker;
            for (size_t x = 0; x < info->output_width; ++x) {
                const uint8_t* p = d->Row.data() + 4 * x;
                d->Bgr[3 * x] = Ink(p[2], p[3], inverted);
                d->Bgr[3 * x + 1] = Ink(p[1], p[3], inverted);
                d->Bgr[3 * x + 2] = Ink(p[0], p[3], inverted);
            }
            bgr = d->Bgr.data();
        }
        (*d->OnRow)(y, bgr);
    }
    jpeg_finish_decompress(info);
}

// Answers the library's message when it failed; a callback's exception
// passes through after the decoder is released.
bool RunDecode(TJpegDecode* d)
{
    d->Info.err = jpeg_std_error(&d->Errors.Base);
    d->Errors.Base.error_exit = ErrorExit;
    d->Errors.Base.output_message = QuietMessage;
    if (setjmp(d->Errors.Jump) != 0) {
        jpeg_destroy_decompress(&d->Info);
        return false;
    }
    try {
        Decode(d);
    } catch (...) {
        jpeg_destroy_decompress(&d->Info);
        throw;
    }
    jpeg_destroy_decompress(&d->Info);
    return true;
}

void Run(TJpegDecode& decode)
{
    if (!RunDecode(&decode)) {
        if (decode.ReadError)
            std::rethrow_exception(decode.ReadError);
        throw EJpegError(decode.Errors.Message);
    }
}

}

TJpegSize ReadJpegSize(std::span<const uint8_t> bytes)
{
    TJpegDecode decode;
    decode.Bytes = bytes;
    decode.Stage = TStage::Header;
    Run(decode);
    return decode.Size;
}

void DecodeJpegRows(std::span<const uint8_t> bytes, const std::function<void(const TJpegSize&)>& onSize,
                    const std::function<void(int32_t y, const uint8_t* bgr)>& onRow)
{
    TJpegDecode decode;
    decode.Bytes = bytes;
    decode.OnSize = &onSize;
    decode.OnRow = &onRow;
    Run(decode);
}

void DecodeJpegStream(const TJpegReader& read, int32_t boxWidth, int32_t boxHeight,
                      const std::function<void(const TJpegSize& full, const TJpegSize& rows)>& onSize,
                      const std::function<void(int32_t y, const uint8_t* bgr)>& onRow)
{
    TJpegDecode decode;
    decode.Read = &read;
    decode.BoxWidth = boxWidth;
    decode.BoxHeight = boxHeight;
    decode.OnScaledSize = &onSize;
    decode.OnRow = &onRow;
    Run(decode);
}

TDIB DecodeJpeg(std::span<const uint8_t> bytes)
{
    TDIB dib;
    int32_t rowBytes = 0;
    DecodeJpegRows(
        bytes,
        [&](const TJpegSize& size) {
            dib.SetSize(size.Width, size.Height, 24);
            rowBytes = size.Width * 3;
        },
        [&](int32_t y, const uint8_t* bgr) { std::memcpy(dib.ScanLine(y), bgr, size_t(rowBytes)); });
    return dib;
}
