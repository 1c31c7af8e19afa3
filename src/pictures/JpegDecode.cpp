#include "pictures/JpegDecode.h"

#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

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

struct TJpegDecode {
    std::span<const uint8_t> Bytes;
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

void Decode(TJpegDecode* d)
{
    jpeg_decompress_struct* info = &d->Info;
    jpeg_create_decompress(info);
    jpeg_mem_src(info, d->Bytes.data(), static_cast<unsigned long>(d->Bytes.size()));
    jpeg_read_header(info, TRUE);
    d->Size = TJpegSize{int32_t(info->image_width), int32_t(info->image_height)};
    if (info->image_width > unsigned(TDIB::MaxSide) || info->image_height > unsigned(TDIB::MaxSide) ||
        uint64_t(info->image_width) * info->image_height > TDIB::MaxPixels) {
        ERREXIT1(info, JERR_IMAGE_TOO_BIG, unsigned(TDIB::MaxSide));
    }
    if (d->Stage == TStage::Header) {
        return;
    }
    bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(info);
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
