#include "settings/dialog/PicturePreview.h"

#include <QFile>
#include <QImageReader>
#include <cstring>
#include <stdexcept>

namespace {

const char* const kIconFormat = "ico";
const char* const kInvalidIcon = "Icon image is not valid";
constexpr uint32_t kRedMask = 0x00ff0000;
constexpr uint32_t kGreenMask = 0x0000ff00;
constexpr uint32_t kBlueMask = 0x000000ff;
constexpr QRgb kOpaque = 0xff000000;

} // namespace

TDIB ReadIcon(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()).toStdString());
    const QImage image = QImageReader(&file, kIconFormat).read().convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        throw std::runtime_error(kInvalidIcon);
    // 32 bits with alpha: a row of ARGB32 is the bitmap's row as stored.
    TDIB dib;
    dib.SetSize(image.width(), image.height(), 32);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(dib.ScanLine(y), image.constScanLine(y), size_t(image.width()) * 4);
    return dib;
}

QImage ToImage(const TDIB& dib)
{
    // Rows are stored bottom-up, so the wrapped rows come out upside down
    // and mirroring them makes the deep copy the preview keeps.
    if (dib.BitCount() == 24)
        return QImage(dib.Bits(), dib.Width(), dib.Height(), dib.WidthBytes(), QImage::Format_BGR888).mirrored();
    const bool alpha = dib.HasOwnAlpha();
    if (alpha && dib.RedMask() == kRedMask && dib.GreenMask() == kGreenMask && dib.BlueMask() == kBlueMask)
        return QImage(dib.Bits(), dib.Width(), dib.Height(), dib.WidthBytes(), QImage::Format_ARGB32).mirrored();
    QImage image(dib.Width(), dib.Height(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const QRgb opaque = alpha ? 0 : kOpaque;
    for (int32_t y = 0; y < dib.Height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int32_t x = 0; x < dib.Width(); ++x)
            row[x] = dib.GetColor(x, y) | opaque;
    }
    return image;
}
