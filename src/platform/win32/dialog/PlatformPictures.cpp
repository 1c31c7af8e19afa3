#include "platform/win32/dialog/PlatformPictures.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "pictures/PictureFile.h"
#include "platform/win32/Windows.h"

namespace {

constexpr int32_t kLargestSide = 2048;          // of a metafile's drawing
constexpr int32_t kDefaultSide = 256;           // a metafile that names no size
constexpr uint64_t kLargestFile = 64u << 20;
constexpr uint32_t kPlaceableKey = 0x9ac6cdd7;  // Aldus header of a placeable WMF
constexpr size_t kPlaceableHeader = 22;
constexpr int kScreenInch = 96;

template <typename T>
T Read(const std::vector<uint8_t>& bytes, size_t offset)
{
    T value{};
    if (offset + sizeof(T) <= bytes.size())
        std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

// Draws into a 24-bit bitmap of the given size through a DIB section.
TDIB Render(int32_t width, int32_t height, uint32_t background, const std::function<bool(HDC, const RECT&)>& draw)
{
    width = std::clamp(width, 1, kLargestSide);
    height = std::clamp(height, 1, kLargestSide);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;   // bottom-up, as TDIB keeps its rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section) {
        DeleteDC(dc);
        throw EInvalidGraphic("Out of system resources");
    }
    HGDIOBJ old = SelectObject(dc, section);
    const RECT area{0, 0, width, height};
    SetDCBrushColor(dc, RGB(background >> 16 & 0xff, background >> 8 & 0xff, background & 0xff));
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    const bool drawn = draw(dc, area);
    GdiFlush();
    TDIB picture;
    picture.SetSize(width, height, 24);
    std::memcpy(picture.Bits(), bits, picture.Size());
    SelectObject(dc, old);
    DeleteObject(section);
    DeleteDC(dc);
    if (!drawn)
        throw EInvalidGraphic("Metafile is not valid");
    return picture;
}

TDIB DecodeIcon(const std::vector<uint8_t>& bytes, uint32_t background)
{
    // Directory: reserved 0, type 1, count; then 16-byte entries. The largest
    // image is the one worth previewing.
    const auto type = Read<uint16_t>(bytes, 2);
    const auto count = Read<uint16_t>(bytes, 4);
    if (Read<uint16_t>(bytes, 0) != 0 || type != 1 || count == 0)
        throw EInvalidGraphic("Icon image is not valid");
    size_t best = 6;
    int bestSide = -1;
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = 6 + i * 16;
        const int side = Read<uint8_t>(bytes, entry) == 0 ? 256 : Read<uint8_t>(bytes, entry);
        if (side > bestSide) {
            bestSide = side;
            best = entry;
        }
    }
    const auto size = Read<uint32_t>(bytes, best + 8);
    const auto offset = Read<uint32_t>(bytes, best + 12);
    if (offset >= bytes.size() || size > bytes.size() - offset)
        throw EInvalidGraphic("Icon image is not valid");
    HICON icon = CreateIconFromResourceEx(const_cast<uint8_t*>(bytes.data() + offset), size, TRUE, 0x00030000,
                                          bestSide, bestSide, LR_DEFAULTCOLOR);
    if (!icon)
        throw EInvalidGraphic("Icon image is not valid");
    TDIB picture = Render(bestSide, bestSide, background, [&](HDC dc, const RECT& area) {
        return DrawIconEx(dc, 0, 0, icon, area.right, area.bottom, 0, nullptr, DI_NORMAL) != FALSE;
    });
    DestroyIcon(icon);
    return picture;
}

TDIB DrawMetafile(HENHMETAFILE metafile, int32_t width, int32_t height, uint32_t background)
{
    TDIB picture = Render(width, height, background,
                          [&](HDC dc, const RECT& area) { return PlayEnhMetaFile(dc, metafile, &area) != FALSE; });
    DeleteEnhMetaFile(metafile);
    return picture;
}

TDIB DecodeEnhanced(const std::vector<uint8_t>& bytes, uint32_t background)
{
    HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
    if (!metafile)
        throw EInvalidGraphic("Metafile is not valid");
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(metafile, sizeof(header), &header);
    const int32_t width = header.rclBounds.right - header.rclBounds.left + 1;
    const int32_t height = header.rclBounds.bottom - header.rclBounds.top + 1;
    return DrawMetafile(metafile, width > 1 ? width : kDefaultSide, height > 1 ? height : kDefaultSide, background);
}

TDIB DecodeWindows(const std::vector<uint8_t>& bytes, uint32_t background)
{
    // A placeable metafile says its size in its own units per inch; a plain
    // one says nothing, and is drawn into a square.
    size_t start = 0;
    int32_t width = kDefaultSide;
    int32_t height = kDefaultSide;
    if (Read<uint32_t>(bytes, 0) == kPlaceableKey) {
        const int inch = std::max<int>(Read<uint16_t>(bytes, 14), 1);
        width = std::abs(Read<int16_t>(bytes, 10) - Read<int16_t>(bytes, 6)) * kScreenInch / inch;
        height = std::abs(Read<int16_t>(bytes, 12) - Read<int16_t>(bytes, 8)) * kScreenInch / inch;
        start = kPlaceableHeader;
    }
    if (bytes.size() <= start)
        throw EInvalidGraphic("Metafile is not valid");
    METAFILEPICT picture{MM_ANISOTROPIC, 0, 0, nullptr};
    HENHMETAFILE metafile =
        SetWinMetaFileBits(static_cast<UINT>(bytes.size() - start), bytes.data() + start, nullptr, &picture);
    if (!metafile)
        throw EInvalidGraphic("Metafile is not valid");
    return DrawMetafile(metafile, width, height, background);
}

} // namespace

std::optional<TDIB> DecodeWithGdi(const std::string& path, std::string_view extension, uint32_t background)
{
    if (extension != "ico" && extension != "emf" && extension != "wmf")
        return std::nullopt;
    const std::vector<uint8_t> bytes = ReadPictureFileBytes(path, kLargestFile);
    if (extension == "ico")
        return DecodeIcon(bytes, background);
    if (extension == "emf")
        return DecodeEnhanced(bytes, background);
    return DecodeWindows(bytes, background);
}
