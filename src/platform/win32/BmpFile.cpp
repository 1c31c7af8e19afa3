#include "platform/BmpFile.h"

#include <cstring>

#include "platform/win32/Windows.h"

namespace {

constexpr uint16_t BitmapMagic = 0x4D42;   // "BM"

}

// GDI reads every depth and compression a bitmap file can have; it is asked
// to hand the picture back as 24-bit rows from the top.
TBgrPixels ReadBmpFile(std::span<const uint8_t> bytes, uint64_t maxPixels)
{
    if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))
        throw EBmpFileError("the file is too short for a bitmap");
    BITMAPFILEHEADER file;
    std::memcpy(&file, bytes.data(), sizeof file);
    if (file.bfType != BitmapMagic)
        throw EBmpFileError("the file is not a bitmap");
    const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data() + sizeof file);
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biWidth <= 0 || header.biHeight == 0 ||
        file.bfOffBits >= bytes.size())
        throw EBmpFileError("the bitmap's header is damaged");
    const int64_t width = header.biWidth;
    const int64_t height = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
    if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > maxPixels)
        throw EBmpFileError("the bitmap is too large");
    // GDI trusts the header: everything it will read must be in the file.
    // Run-length coded bitmaps end where their codes say, which nothing
    // bounds beforehand, so only plain rows are taken.
    const uint32_t bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        throw EBmpFileError("the bitmap's depth is not known");
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS)
        throw EBmpFileError("the bitmap's compression is not supported");
    const uint64_t masks = header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER) ? 12 : 0;
    const uint64_t colours = bits <= 8 ? (header.biClrUsed ? header.biClrUsed : (uint64_t{1} << bits)) : header.biClrUsed;
    const uint64_t headerEnd = sizeof file + uint64_t{header.biSize} + masks + colours * sizeof(RGBQUAD);
    const uint64_t stride = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
    if (headerEnd > file.bfOffBits || (colours > 256 && bits <= 8) ||
        stride * static_cast<uint64_t>(height) > bytes.size() - file.bfOffBits)
        throw EBmpFileError("the bitmap file is cut short");

    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBitmap(screen, &header, CBM_INIT, bytes.data() + file.bfOffBits, info, DIB_RGB_COLORS);
    if (!bitmap) {
        ReleaseDC(nullptr, screen);
        throw EBmpFileError("the bitmap cannot be decoded");
    }
    TBgrPixels pixels;
    pixels.Width = static_cast<int32_t>(width);
    pixels.Height = static_cast<int32_t>(height);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    // GDI rows are padded to four bytes.
    const size_t paddedRow = (rowBytes + 3) & ~size_t{3};
    std::vector<uint8_t> padded(paddedRow * static_cast<size_t>(height));
    BITMAPINFO wanted{};
    wanted.bmiHeader.biSize = sizeof wanted.bmiHeader;
    wanted.bmiHeader.biWidth = static_cast<LONG>(width);
    wanted.bmiHeader.biHeight = -static_cast<LONG>(height);
    wanted.bmiHeader.biPlanes = 1;
    wanted.bmiHeader.biBitCount = 24;
    wanted.bmiHeader.biCompression = BI_RGB;
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), padded.data(), &wanted, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    if (rows != height)
        throw EBmpFileError("the bitmap cannot be decoded");
    pixels.Bgr.resize(rowBytes * static_cast<size_t>(height));
    for (int64_t y = 0; y < height; ++y)
        std::memcpy(pixels.Bgr.data() + rowBytes * static_cast<size_t>(y), padded.data() + paddedRow * static_cast<size_t>(y),
                    rowBytes);
    return pixels;
}

// GDI keeps nothing per thread for us.
void ReleaseBmpThreadState() {}
